#pragma once

#include "ui/Prompter.h"

class QWidget;

// Asks with QMessageBox and QInputDialog, captioned with the program's title.
class DialogPrompter final : public Prompter
{
public:
    explicit DialogPrompter(QWidget *parent);

    void showMessage(const QString &text) override;
    QString askText(const QString &prompt, const QString &initialText) override;

private:
    QWidget *m_parent;
};
