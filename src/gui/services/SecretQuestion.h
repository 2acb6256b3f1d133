#pragma once

class QString;
class QWidget;

// A secret typed in dots: a key's passphrase, a server's log-on question.
// True with the text on OK; false on Cancel, Escape, or when the parent goes
// away. Nothing of it is kept once the box is gone.
bool AskSecretQuestion(QWidget* parent, const QString& title, const QString& text, QString& secret);
