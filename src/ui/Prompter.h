#pragma once

#include <QString>

// The window's modal questions and messages. The program answers them with
// real dialogs; tests answer them in code and check their order.
class Prompter
{
public:
    virtual ~Prompter() = default;

    // A message with an OK button only and no icon.
    virtual void showMessage(const QString &text) = 0;
    // The typed text on OK, the empty text on Cancel.
    virtual QString askText(const QString &prompt, const QString &initialText) = 0;
};
