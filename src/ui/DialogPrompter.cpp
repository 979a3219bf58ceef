#include "ui/DialogPrompter.h"

#include <QInputDialog>
#include <QMessageBox>

namespace {
const QString title = QStringLiteral("Seqget");
}

DialogPrompter::DialogPrompter(QWidget *parent)
    : m_parent(parent)
{
}

void DialogPrompter::showMessage(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString DialogPrompter::askText(const QString &prompt, const QString &initialText)
{
    QInputDialog dialog(m_parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(initialText);
    dialog.setInputMode(QInputDialog::TextInput);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}
