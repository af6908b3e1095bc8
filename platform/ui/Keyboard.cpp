#include "platform/ui/Keyboard.h"

#include "platform/ui/Widgets_p.h"

namespace {

struct Toggles {
    bool numLock = true;
    bool capsLock = false;
    bool scrollLock = false;
};

Toggles& State() {
    static Toggles t;
    return t;
}

bool* ToggleOf(int vk) {
    switch (vk) {
    case VK_NUMLOCK:
        return &State().numLock;
    case VK_CAPITAL:
        return &State().capsLock;
    case VK_SCROLL:
        return &State().scrollLock;
    default:
        return nullptr;
    }
}

} // namespace

SHORT GetKeyState(int virtualKey) {
    const TShiftState shift = KeyboardShiftState();
    bool down = false;
    switch (virtualKey) {
    case VK_SHIFT:
        down = shift.Contains(ssShift);
        break;
    case VK_CONTROL:
        down = shift.Contains(ssCtrl);
        break;
    case VK_MENU:
        down = shift.Contains(ssAlt);
        break;
    default:
        break;
    }
    const bool* toggle = ToggleOf(virtualKey);
    return static_cast<SHORT>((down ? 0x8000 : 0) | (toggle && *toggle ? 1 : 0));
}

BOOL GetKeyboardState(BYTE* keyState) {
    if (!keyState) return FALSE;
    for (int vk = 0; vk < 256; ++vk) {
        const SHORT s = GetKeyState(vk);
        keyState[vk] = static_cast<BYTE>(((s & 0x8000) ? 0x80 : 0) | (s & 1));
    }
    return TRUE;
}

BOOL SetKeyboardState(const BYTE* keyState) {
    if (!keyState) return FALSE;
    for (int vk : {VK_NUMLOCK, VK_CAPITAL, VK_SCROLL}) *ToggleOf(vk) = (keyState[vk] & 1) != 0;
    return TRUE;
}

void NoteKeyForToggles(WORD vk, bool keypad, bool press) {
    if (!press) return;
    if (vk == VK_NUMLOCK || vk == VK_CAPITAL || vk == VK_SCROLL) {
        bool* t = ToggleOf(vk);
        *t = !*t;
        return;
    }
    if (!keypad) return;
    if ((vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) || vk == VK_DECIMAL)
        State().numLock = true;
    else if (vk == VK_CLEAR || (vk >= VK_PRIOR && vk <= VK_DOWN) || vk == VK_INSERT || vk == VK_DELETE)
        State().numLock = false;
}
