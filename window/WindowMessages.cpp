#include "window/WindowMessages.h"

WindowMessages::WindowMessages()
    : handlers{
          {WM_CREATE, &WindowMessages::onCreate},
          {WM_DESTROY, &WindowMessages::onDestroy},
          {WM_MOVE, &WindowMessages::onMove},
          {WM_SIZE, &WindowMessages::onSize},
          {WM_SETFOCUS, &WindowMessages::onSetFocus},
          {WM_CLOSE, &WindowMessages::onClose},
          {WM_NCCREATE, &WindowMessages::onNcCreate},
          {WM_KEYDOWN, &WindowMessages::onKeyDown},
          {WM_INITDIALOG, &WindowMessages::onInitDialog},
          {WM_NOTIFY, &WindowMessages::onNotify},
          {WM_CONTEXTMENU, &WindowMessages::onContextMenu},
          {WM_COMMAND, &WindowMessages::onCommand},
          {WM_TIMER, &WindowMessages::onTimer},
          {WM_HSCROLL, &WindowMessages::onHScroll},
          {WM_VSCROLL, &WindowMessages::onVScroll},
          {WM_CTLCOLOREDIT, &WindowMessages::onCtlColorEdit},
          {WM_CTLCOLORSTATIC, &WindowMessages::onCtlColorStatic},
          {WM_LBUTTONDOWN, &WindowMessages::onLButtonDown},
          {WM_LBUTTONUP, &WindowMessages::onLButtonUp},
          {WM_CAPTURECHANGED, &WindowMessages::onCaptureChanged},
      }
{
}

intptr_t WindowMessages::dispatchWindow(MessageRecord m)
{
    const auto found = handlers.find(m.message);
    if (found == handlers.end())
        return defWindowProc(m.window, m.message, m.wParam, m.lParam);
    return (this->*found->second)(m);
}

int32_t WindowMessages::dispatchDialog(MessageRecord m)
{
    const auto found = handlers.find(m.message);
    if (found == handlers.end())
        return 0;
    return (this->*found->second)(m);
}

int32_t WindowMessages::onCommand(MessageRecord m)
{
    if ((m.wParam & 0xFFFF) == kCloseCommand)
        sendMessage(m.window, WM_CLOSE, 0, 0);
    return 0;
}
