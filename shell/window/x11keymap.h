#pragma once
// Whether Esc (27), F10 (121) or F4 (115) is down now on the X server the shell
// runs on. False without an X display.
bool x11KeyDown(int virtualKey);
