#!/usr/bin/env python3
"""Sends a window the WM_DELETE_WINDOW client message, as a window manager's
close box does: close_message.py WINDOW_ID"""
import sys

from Xlib import X, display
from Xlib.protocol import event


def main() -> int:
    if len(sys.argv) != 2:
        print("usage: close_message.py WINDOW_ID", file=sys.stderr)
        return 2
    d = display.Display()
    win = d.create_resource_object("window", int(sys.argv[1], 0))
    protocols = d.intern_atom("WM_PROTOCOLS")
    delete = d.intern_atom("WM_DELETE_WINDOW")
    msg = event.ClientMessage(window=win, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    win.send_event(msg, event_mask=X.NoEventMask)
    # A round trip: the server has taken the message before this exits.
    d.sync()
    return 0


if __name__ == "__main__":
    sys.exit(main())
