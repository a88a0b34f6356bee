#pragma once
#include <functional>
#include <string>

// How a start-up failure reaches a person who started the program from a
// desktop, with no terminal to read: a box with a title and a text.
using ErrorBox = std::function<void(const std::string& title, const std::string& text)>;

// Whether a box can be seen and answered: not when SOFTDEMO_NO_MESSAGE_BOX is
// 1, nor without a display, nor on SDL's drivers that show nothing (tests).
// The arguments are those environment variables' values, or null.
bool messageBoxWanted(const char* noMessageBox, const char* display, const char* waylandDisplay,
                      const char* videoDriver);

// SDL's message box with the error icon, when this process's environment
// wants one; it waits for the person to close it.
void showErrorBox(const std::string& title, const std::string& text);
