#pragma once
// The keyboard test of the menu timer: a key counts as pressed when it is down now
// or was pressed since the previous test of that key. Keys are named by their
// virtual-key codes, as the menu timer reads them.
class MenuKeys {
public:
    static constexpr int M = 77;
    static constexpr int Control = 17;
    static constexpr int Escape = 27;
    static constexpr int F10 = 121;
    static constexpr int F4 = 115;
    static constexpr int Alt = 18;

    virtual ~MenuKeys() = default;
    virtual bool keyPressed(int virtualKey) = 0;
};
