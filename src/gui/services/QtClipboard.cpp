#include "services/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

void CQtClipboard::SetData(const std::string& format, const std::vector<uint8_t>& bytes)
{
    auto* data = new QMimeData;
    data->setData(QString::fromStdString(format),
                  QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    // The clipboard takes ownership of the data.
    QGuiApplication::clipboard()->setMimeData(data);
}

std::optional<std::vector<uint8_t>> CQtClipboard::GetData(const std::string& format)
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    const QString name = QString::fromStdString(format);
    if (data == nullptr || !data->hasFormat(name))
        return std::nullopt;
    const QByteArray bytes = data->data(name);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

bool CQtClipboard::HasFormat(const std::string& format)
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && data->hasFormat(QString::fromStdString(format));
}
