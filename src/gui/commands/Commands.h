#pragma once

#include <QKeySequence>
#include <QList>

// The program's commands, by the ids that the rest of the program and its
// users' scripts know them by.
enum CommandId : int {
    ID_FILE_SAVE_SITE_LIST = 57603,
    ID_FILE_SAVE_WINDOW_AS = 32799,
    ID_FILE_PRINT_WINDOW = 32802,
    ID_FILE_PRINT_WINDOW_PREVIEW = 32803,
    ID_FILE_SAVE_STATUS_LOG_AS = 32800,
    ID_APP_EXIT = 57665,
    ID_EDIT_COPY = 57634,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_DELETE = 32774,
    ID_EDIT_SELECT_ALL = 32798,
    ID_EDIT_STATUS_LOG_AUTOSAVE = 32789,
    ID_EDIT_LOG_VIEW_AUTOREFRESH = 32795,
    ID_EDIT_SITE_MANAGER = 32782,
    ID_EDIT_KEYRING_PASSWORDS = 32841,
    ID_APP_ABOUT = 57664,
    ID_HELP_READ_ME = 32796,
    ID_HELP_LICENSE = 32797,
    ID_VIEW_REFRESH = 32820,
    ID_VIEW_UP_ONE_LEVEL = 32821,
    ID_VIEW_EDITED_FILES = 32822,
};

// One menu entry: its text (with "&" for the mnemonic and "\t" before the
// shortcut text), the keys that run it, and the status-bar prompt whose part
// after "\n" is the tool tip.
struct CommandSpec {
    CommandId id;
    const char* menuText;
    QList<QKeySequence> keys;
    const char* prompt;
    bool checkable = false;
};

// The status-bar prompt of a context menu command without a main menu entry
// (Rename, New Directory); empty for others.
QString ContextCommandPrompt(int id);

const QList<CommandSpec>& FileMenuCommands();
const QList<CommandSpec>& EditMenuCommands();
const QList<CommandSpec>& ViewMenuCommands();
const QList<CommandSpec>& HelpMenuCommands();
