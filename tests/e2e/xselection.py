"""A clipboard owner of our own, speaking Xlib through ctypes.

xclip serves clipboard text well but never tells who asked for what. The text tests need
to know that the program has actually looked at the clipboard (it asks the owner for
TARGETS) and whether anyone took the clipboard away from us, so they own it themselves.
"""

import ctypes
import ctypes.util
import select
import threading

_lib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")

_Window = ctypes.c_ulong
_Atom = ctypes.c_ulong
_Time = ctypes.c_ulong

_SELECTION_CLEAR = 29
_SELECTION_REQUEST = 30
_SELECTION_NOTIFY = 31
_XA_ATOM = 4
_PROP_MODE_REPLACE = 0


class _SelectionRequest(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("owner", _Window), ("requestor", _Window), ("selection", _Atom),
                ("target", _Atom), ("property", _Atom), ("time", _Time)]


class _SelectionNotify(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("requestor", _Window), ("selection", _Atom), ("target", _Atom),
                ("property", _Atom), ("time", _Time)]


class _SelectionClear(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", _Window), ("selection", _Atom), ("time", _Time)]


class _Event(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("request", _SelectionRequest),
                ("notify", _SelectionNotify), ("clear", _SelectionClear),
                ("pad", ctypes.c_long * 24)]


def _declare(name, restype, *argtypes):
    fn = getattr(_lib, name)
    fn.restype = restype
    fn.argtypes = list(argtypes)
    return fn


_vp = ctypes.c_void_p
XOpenDisplay = _declare("XOpenDisplay", _vp, ctypes.c_char_p)
XCloseDisplay = _declare("XCloseDisplay", ctypes.c_int, _vp)
XDefaultRootWindow = _declare("XDefaultRootWindow", _Window, _vp)
XCreateSimpleWindow = _declare("XCreateSimpleWindow", _Window, _vp, _Window, ctypes.c_int,
                               ctypes.c_int, ctypes.c_uint, ctypes.c_uint, ctypes.c_uint,
                               ctypes.c_ulong, ctypes.c_ulong)
XInternAtom = _declare("XInternAtom", _Atom, _vp, ctypes.c_char_p, ctypes.c_int)
XSetSelectionOwner = _declare("XSetSelectionOwner", ctypes.c_int, _vp, _Atom, _Window, _Time)
XGetSelectionOwner = _declare("XGetSelectionOwner", _Window, _vp, _Atom)
XChangeProperty = _declare("XChangeProperty", ctypes.c_int, _vp, _Window, _Atom, _Atom,
                           ctypes.c_int, ctypes.c_int, _vp, ctypes.c_int)
XSendEvent = _declare("XSendEvent", ctypes.c_int, _vp, _Window, ctypes.c_int, ctypes.c_long,
                      ctypes.POINTER(_Event))
XPending = _declare("XPending", ctypes.c_int, _vp)
XNextEvent = _declare("XNextEvent", ctypes.c_int, _vp, ctypes.POINTER(_Event))
XFlush = _declare("XFlush", ctypes.c_int, _vp)
XConnectionNumber = _declare("XConnectionNumber", ctypes.c_int, _vp)


class ClipboardTextOwner:
    """Owns the CLIPBOARD selection with a text and records every request made of it.

    Runs its own X connection on a thread of its own; `targets_requests` counts the
    TARGETS requests served, `lost` tells whether another client took the selection.
    """

    def __init__(self, display_name, text):
        self._text = text.encode("utf-8")
        self._dpy = XOpenDisplay(display_name.encode())
        if not self._dpy:
            raise RuntimeError(f"cannot open X display {display_name}")
        atom = lambda name: XInternAtom(self._dpy, name.encode(), 0)
        self._clipboard = atom("CLIPBOARD")
        self._targets = atom("TARGETS")
        self._utf8 = atom("UTF8_STRING")
        self._string = atom("STRING")
        self._window = XCreateSimpleWindow(self._dpy, XDefaultRootWindow(self._dpy),
                                           0, 0, 1, 1, 0, 0, 0)
        XSetSelectionOwner(self._dpy, self._clipboard, self._window, 0)
        if XGetSelectionOwner(self._dpy, self._clipboard) != self._window:
            XCloseDisplay(self._dpy)
            raise RuntimeError("could not take ownership of the clipboard")
        XFlush(self._dpy)

        self._lock = threading.Lock()
        self._targets_requests = 0
        self._data_requests = 0
        self._lost = False
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._serve, daemon=True)
        self._thread.start()

    @property
    def targets_requests(self):
        with self._lock:
            return self._targets_requests

    @property
    def data_requests(self):
        with self._lock:
            return self._data_requests

    @property
    def lost(self):
        with self._lock:
            return self._lost

    def close(self):
        self._stop.set()
        self._thread.join(timeout=5)
        if self._dpy:
            XCloseDisplay(self._dpy)
            self._dpy = None

    def _serve(self):
        fd = XConnectionNumber(self._dpy)
        event = _Event()
        while not self._stop.is_set():
            while XPending(self._dpy):
                XNextEvent(self._dpy, ctypes.byref(event))
                if event.type == _SELECTION_REQUEST:
                    self._answer(event.request)
                elif event.type == _SELECTION_CLEAR:
                    with self._lock:
                        self._lost = True
            select.select([fd], [], [], 0.02)

    def _answer(self, request):
        prop = request.property or request.target
        if request.target == self._targets:
            atoms = (_Atom * 3)(self._targets, self._utf8, self._string)
            XChangeProperty(self._dpy, request.requestor, prop, _XA_ATOM, 32,
                            _PROP_MODE_REPLACE, ctypes.cast(atoms, _vp), 3)
            with self._lock:
                self._targets_requests += 1
        elif request.target in (self._utf8, self._string):
            buf = ctypes.create_string_buffer(self._text, len(self._text))
            XChangeProperty(self._dpy, request.requestor, prop, request.target, 8,
                            _PROP_MODE_REPLACE, ctypes.cast(buf, _vp), len(self._text))
            with self._lock:
                self._data_requests += 1
        else:
            prop = 0  # refused: a target we do not offer
        reply = _Event()
        reply.notify = _SelectionNotify(_SELECTION_NOTIFY, 0, 1, self._dpy, request.requestor,
                                        request.selection, request.target, prop, request.time)
        XSendEvent(self._dpy, request.requestor, 0, 0, ctypes.byref(reply))
        XFlush(self._dpy)

