#pragma once

#include "app/Prompts.h"

class QString;
class QWidget;

// The question about a server certificate that the system does not vouch
// for: Accept Once, Always, Cancel, with Cancel the default and the answer to
// Escape. A changed certificate is asked with the warning icon.
CertificateAnswer AskCertificateQuestion(QWidget* parent, const QString& text, bool changed);
