// Real key events on the virtual display: xdotool hands them to the X
// server as a keyboard would, and they reach the program through Wine's X11
// driver, wherever Wine's own focus is.
#ifndef REAL_KEYS_H
#define REAL_KEYS_H

#include <string>

// Presses keys in xdotool's names, one after another ("Return",
// "alt+b Tab", "shift+Tab"); true once the X server has all of them. The
// program takes them in its own time: wait on what they do.
bool PressKeys(const std::string &keys);
// Types text character by character (no quotes in it).
bool TypeText(const std::string &text);

#endif
