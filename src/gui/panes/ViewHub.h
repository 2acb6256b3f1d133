#pragma once

#include <QObject>
#include <QString>

// The document's "update all views": one view tells the others that the
// current folder or its contents changed. Each view ignores its own notices.
enum ViewHint : int {
    HINT_NONE = 0,
    HINT_CONTENTS_CHANGED = 1,  // 1, 3, 4 and 5: the current folder's contents changed
    HINT_OPEN_SUBFOLDER = 2,    // the list asks the tree to open the named child folder
    HINT_DELETED = 3,
    HINT_RENAMED = 4,
    HINT_NEW_DIRECTORY = 5,
    HINT_FOLDER_CHANGED = 6,    // the tree selected another folder
};

class CViewHub : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    void UpdateAllViews(QObject* sender, int hint, const QString& object = QString())
    {
        emit Update(sender, hint, object);
    }

signals:
    void Update(QObject* sender, int hint, const QString& object);
};
