// Real key events on the virtual display: xdotool hands them to the X server as a keyboard would, and
// they reach the program through Wine's X11 driver and its own focus.
#ifndef REAL_KEYS_H
#define REAL_KEYS_H

#include <windows.h>
#include <string>

// Presses keys in xdotool's names ("Return", "alt+b Tab") for window, the
// active one; true once the X server has them all: wait on what they do.
bool PressKeys(HWND window, const std::string &keys);
// Types text character by character (no quotes in it).
bool TypeText(HWND window, const std::string &text);

#endif
