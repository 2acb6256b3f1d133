#include "help/HelpDialogs.h"

#include "help/HelpTexts.h"
#include "log/CourierFont.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QHBoxLayout* OkRow(QDialog* dialog)
{
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    return row;
}

QLabel* PlainLabel(const QString& text, const char* name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

CTextInfoDlg::CTextInfoDlg(const QString& title, const QString& text, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(title);
    setModal(true);

    m_pText = new QPlainTextEdit(this);
    m_pText->setObjectName(QStringLiteral("text"));
    m_pText->setFont(CourierFont());
    m_pText->setPlainText(text);
    m_pText->setReadOnly(true);
    m_pText->setLineWrapMode(QPlainTextEdit::NoWrap);

    // Wide enough for the texts' 80 columns, without a sideways scroll.
    const QFontMetrics metrics(m_pText->font());
    m_pText->setMinimumWidth(metrics.horizontalAdvance(QString(82, QLatin1Char('M'))) +
                             style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    m_pText->setMinimumHeight(metrics.lineSpacing() * 24);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pText, 1);
    layout->addLayout(OkRow(this));
}

CReadMeDlg::CReadMeDlg(QWidget* parent) : CTextInfoDlg(QStringLiteral("Read Me"), ReadMeText(), parent) {}

CLicenseDlg::CLicenseDlg(QWidget* parent) : CTextInfoDlg(QStringLiteral("License"), LicenseText(), parent) {}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Vamlo"));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(windowIcon().pixmap(32, 32));

    auto* texts = new QVBoxLayout;
    texts->addWidget(PlainLabel(QStringLiteral("Vamlo Version ") + VamloVersionText(), "version", this));
    texts->addWidget(PlainLabel(QStringLiteral("Copyright (c) 2026 Brisk Orchard Corp"), "copyright", this));
    texts->addWidget(PlainLabel(QStringLiteral("Vamlo is free software under the MIT License (see Help > License)."),
                                "license", this));

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(OkRow(this));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

namespace {

// On the heap and watched: a parent that goes away while the dialog is open
// takes the dialog with it.
template <typename Dialog>
void ShowModal(QWidget* parent)
{
    QPointer<Dialog> dialog = new Dialog(parent);
    dialog->exec();
    delete dialog;
}

} // namespace

void ShowAboutDialog(QWidget* parent) { ShowModal<CAboutDlg>(parent); }

void ShowReadMeDialog(QWidget* parent) { ShowModal<CReadMeDlg>(parent); }

void ShowLicenseDialog(QWidget* parent) { ShowModal<CLicenseDlg>(parent); }
