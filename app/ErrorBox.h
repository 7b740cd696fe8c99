// app/ErrorBox.h: the one way a failure reaches the user.
#pragma once

#include <string>

// A stop-icon message box captioned with the application title and owned by
// the application window; the launcher's other windows are disabled meanwhile.
void ShowErrorBox(const std::string& message);
