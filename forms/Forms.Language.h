#pragma once

#include <QString>

// Sets the language of every text the user sees: the core's report lines and the windows'
// texts (ours from the built-in .qm files, Qt's own dialogs and standard buttons from Qt's
// translations where they are installed). Call once, after the application object exists and
// before any window is built. Korean, the windows' own language, needs no file of ours.
// Returns false for a language without a catalogue; nothing is changed then.
bool ApplyLanguage(const QString& Language);
