#pragma once

#include "ui/Prompter.h"

#include <QStringList>
#include <functional>

// Answers the window's questions from a script and records every dialog in
// the order shown, as "message:<text>" or "ask:<prompt>|<initial text>".
class ScriptedPrompter final : public Prompter
{
public:
    // Each answer is returned by the next askText(); Cancel is the empty text.
    QStringList answers;
    QStringList shown;
    // Called at every dialog, so a test can look at the window meanwhile.
    std::function<void()> onDialog;

    void showMessage(const QString &text) override { record(QStringLiteral("message:") + text); }

    QString askText(const QString &prompt, const QString &initialText) override
    {
        record(QStringLiteral("ask:") + prompt + u'|' + initialText);
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }

private:
    void record(const QString &dialog)
    {
        shown << dialog;
        if (onDialog)
            onDialog();
    }
};
