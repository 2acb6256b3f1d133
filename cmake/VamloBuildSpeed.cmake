# Precompiled headers: most of a clean build goes into parsing the standard
# library and Qt again in every file. Off by default under a compiler
# launcher: ccache does not cache files built against a precompiled header
# without settings of its own, and a warm cache is quicker still.
if(CMAKE_CXX_COMPILER_LAUNCHER)
  set(pch_default OFF)
else()
  set(pch_default ON)
endif()
option(VAMLO_PCH "Precompile the standard library and Qt headers" ${pch_default})

set(VAMLO_PCH_STD
  <algorithm> <atomic> <chrono> <cstdint> <cstring> <ctime> <deque> <filesystem> <functional>
  <map> <memory> <mutex> <optional> <set> <string> <string_view> <thread> <vector>)
# What most GUI files use; rarer headers stay in their files.
set(VAMLO_PCH_QT
  <QApplication> <QAction> <QClipboard> <QComboBox> <QDialog> <QFileDialog> <QHBoxLayout>
  <QKeyEvent> <QLabel> <QLineEdit> <QMenu> <QMessageBox> <QMouseEvent> <QPainter>
  <QPlainTextEdit> <QPointer> <QPushButton> <QStatusBar> <QString> <QThread> <QTimer>
  <QVBoxLayout> <QWidget>)

# Usage: vamlo_precompile(TARGET header...)
function(vamlo_precompile target)
  if(VAMLO_PCH)
    target_precompile_headers(${target} PRIVATE ${ARGN})
  endif()
endfunction()
