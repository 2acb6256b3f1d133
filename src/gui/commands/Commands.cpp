#include "commands/Commands.h"

namespace {

QKeySequence Keys(const char* text) { return QKeySequence(QString::fromLatin1(text)); }

} // namespace

const QList<CommandSpec>& FileMenuCommands()
{
    // A key shown beside a command runs it.
    static const QList<CommandSpec> commands{
        {ID_FILE_SAVE_SITE_LIST, "&Save Site List\tCtrl+S", {Keys("Ctrl+S")},
         "Save the site list of the site manager\nSave Site List"},
        {ID_FILE_SAVE_WINDOW_AS, "Save &Window As...", {},
         "Save the Vamlo window as a bitmap file\nSave Window As"},
        {ID_FILE_PRINT_WINDOW, "&Print Window...\tCtrl+P", {Keys("Ctrl+P")}, "Print the Vamlo window\nPrint Window"},
        {ID_FILE_PRINT_WINDOW_PREVIEW, "Print Window Pre&view", {},
         "Show how the Vamlo window will be printed\nPrint Window Preview"},
        {ID_FILE_SAVE_STATUS_LOG_AS, "Save Status &Log As...", {},
         "Save the text in the Action Status Log view into a text file\nSave Status Log As"},
        {ID_APP_EXIT, "E&xit", {}, "Quit the application; prompts to save the site list\nExit"},
    };
    return commands;
}

const QList<CommandSpec>& EditMenuCommands()
{
    static const QList<CommandSpec> commands{
        {ID_EDIT_COPY, "&Copy\tCtrl+C", {Keys("Ctrl+C"), Keys("Ctrl+Ins")}, "Copy the selected files\nCopy"},
        {ID_EDIT_PASTE, "&Paste\tCtrl+V", {Keys("Ctrl+V"), Keys("Shift+Ins")}, "Paste the selected files\nPaste"},
        {ID_EDIT_DELETE, "&Delete\tDel", {Keys("Del")}, "Delete the selected files\nDelete"},
        {ID_EDIT_SELECT_ALL, "Select &All\tCtrl+A", {Keys("Ctrl+A")}, "Select all the files in the file list\nSelect All"},
        {ID_EDIT_STATUS_LOG_AUTOSAVE, "Status Log Auto&Save\tCtrl+L", {Keys("Ctrl+L")},
         "Append every line of the action status log to the autosave file\nStatus Log AutoSave", true},
        {ID_EDIT_LOG_VIEW_AUTOREFRESH, "Log View Auto&Refresh\tCtrl+R", {Keys("Ctrl+R")},
         "Clear the log view when a new action starts\nLog View AutoRefresh", true},
        {ID_EDIT_KEYRING_PASSWORDS, "&Keep passwords in the system keyring", {},
         "Keep the saved passwords of the site list in the system keyring instead of the site list file\n"
         "Keep passwords in the system keyring", true},
        {ID_EDIT_SITE_MANAGER, "Site &Manager...\tCtrl+M", {Keys("Ctrl+M")},
         "Site Manager is used to add, delete or edit the site information in the site list maintained by "
         "Vamlo\nSite Manager"},
    };
    return commands;
}

const QList<CommandSpec>& ViewMenuCommands()
{
    // Backspace goes up only in the file list: elsewhere it edits text.
    static const QList<CommandSpec> commands{
        {ID_VIEW_REFRESH, "&Refresh\tF5", {Keys("F5")}, "Read the selected folder again\nRefresh"},
        {ID_VIEW_UP_ONE_LEVEL, "&Up One Level\tBackspace", {}, "Go to the folder that holds this one\nUp One Level"},
        {ID_VIEW_EDITED_FILES, "Files Being &Edited...", {},
         "Show the files of servers opened for editing and where each stands\nFiles Being Edited"},
    };
    return commands;
}

const QList<CommandSpec>& HelpMenuCommands()
{
    static const QList<CommandSpec> commands{
        {ID_APP_ABOUT, "&About Vamlo...", {}, "Display program information, version number and copyright\nAbout"},
        {ID_HELP_READ_ME, "&Read Me", {}, "Show how to use Vamlo\nRead Me"},
        {ID_HELP_LICENSE, "&License", {}, "Show the license of Vamlo\nLicense"},
    };
    return commands;
}

QString ContextCommandPrompt(int id)
{
    switch (id) {
    case 32775:
        return QStringLiteral("Rename the selected file\nRename");
    case 32777:
        return QStringLiteral("Create new directory\nNew Directory");
    default:
        return {};
    }
}
