#pragma once

#include <string>

class QWidget;

namespace qzt {

// The program's standard error box for an error that escaped a handler: the
// error's message, an error icon and OK. The program goes on afterwards.
void ShowExceptionBox(const std::string& message, QWidget* parent = nullptr);

}  // namespace qzt
