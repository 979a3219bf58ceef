#include "ScriptedPrompter.h"

void ScriptedPrompter::showMessage(const QString &text)
{
    shown << QStringLiteral("message:") + text;
    if (onDialog)
        onDialog();
}

QString ScriptedPrompter::askText(const QString &prompt, const QString &initialText)
{
    shown << QStringLiteral("ask:") + prompt + u'|' + initialText;
    if (onDialog)
        onDialog();
    return answers.isEmpty() ? QString() : answers.takeFirst();
}
