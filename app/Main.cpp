// app/Main.cpp: the entry: one launcher per session; creates the menu and the hidden uninstall dialog, runs the loop.
#include <exception>

#include <windows.h>

#include "app/Application.h"
#include "app/ErrorBox.h"
#include "app/SessionLauncher.h"
#include "platform/SystemLibrary.h"

namespace {
// First of all: no library loaded by name later, by the launcher or by the system on its behalf, can come
// from the folder the launcher was started from.
const bool librarySearchRestricted = RestrictLibrarySearchToSystemFolder();

// Then one launcher per user session: a second start brings the running launcher forward and ends here,
// having made no window and read nothing from the medium. The launcher holds the lock until it ends.
const SessionLauncher TheSessionLauncher;

// Created before the entry runs: derives the title, loads the icon and makes
// the application window. It destroys both forms when the program shuts down.
TApplication TheApplication;
}  // namespace

// A plain main: the launcher reads no command line and takes its show state from its start-up information
// (Application), so neither WinMain's arguments nor MinGW's adapter that works them out are needed.
int main()
{
    try {
        TheApplication.CreateForms();
        TheApplication.Run();
    } catch (const std::exception& error) {
        ShowErrorBox(error.what());
    }
    return 0;
}
