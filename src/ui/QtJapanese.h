#pragma once

class QCoreApplication;

// Loads Qt's own Japanese catalogue into the application, so that what Qt
// draws itself (the buttons of message and input boxes, the text boxes'
// context menu) speaks the window's language whatever the user's locale.
// Returns false, and the texts stay English, where the catalogue is not
// installed.
bool installQtJapanese(QCoreApplication &app);
