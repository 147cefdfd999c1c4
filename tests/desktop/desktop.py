"""A real desktop for the host application: a virtual X display with a window manager
(openbox), a session bus with the accessibility bus behind it, and the host started on it.
Tests drive it with real X input at a clerk's pace and read it back the way a screen reader
does (AT-SPI); they wait on conditions, never on the clock.

Every process started here runs in a process group of its own and is ended, with its
group, when the desktop stops, also when a test fails.
"""

import ctypes
import os
import shutil
import signal
import subprocess
import tempfile
import time

KEY_DELAY_MS = 100  # a clerk's pace: 80 to 150 ms a key
POLL_S = 0.05


class Timeout(AssertionError):
    pass


def _die_with_parent():
    """In a child before it runs: ended when the test process ends, however it ends (a test
    runner's kill after a timeout included)."""
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def wait_until(condition, timeout, what):
    """Polls `condition` until it returns something true, and returns that."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = condition()
            if value:
                return value
        except Exception as error:  # the app may be between states; try again
            last_error = error
        if time.monotonic() > deadline:
            detail = f" (last error: {last_error})" if last_error else ""
            raise Timeout(f"timed out waiting for {what}{detail}")
        time.sleep(POLL_S)


class Desktop:
    """Xvfb on a display of its own, a session bus, openbox; then `start_host`."""

    def __init__(self, bin_dir, timeout_scale=1.0):
        self.bin_dir = bin_dir
        self.timeout_scale = timeout_scale
        self.work = None
        self.display = None
        self.env = None
        self._processes = []  # (name, Popen), in start order
        self._registry = None

    # --- lifecycle ------------------------------------------------------------------

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self):
        self.work = tempfile.mkdtemp(prefix="apurfat-desktop-")
        home = self._dir("home")
        runtime = self._dir("runtime")
        os.chmod(runtime, 0o700)
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": home,
            "XDG_CONFIG_HOME": self._dir("home/.config"),
            "XDG_DATA_HOME": self._dir("home/.local/share"),
            "XDG_CACHE_HOME": self._dir("home/.cache"),
            "XDG_RUNTIME_DIR": runtime,
            "LC_ALL": "C.UTF-8",
            "LANG": "C.UTF-8",
        }
        for name in ("ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"):
            if name in os.environ:
                self.env[name] = os.environ[name]
        try:
            self._start_display_with_window_manager()
            self._start_session_bus()
        except BaseException:
            self.stop()
            raise

    def _start_display_with_window_manager(self):
        # On a busy machine another X server starting at the same moment can leave a fresh
        # display that clients cannot open: a new display is taken then.
        for attempt in range(3):
            self._start_display()
            if self._start_window_manager():
                return
            for name, process in [p for p in self._processes if p[0] in ("openbox", "xvfb")]:
                self.end(process)
            self._processes = [p for p in self._processes if p[0] not in ("openbox", "xvfb")]
        raise RuntimeError("openbox could not manage a display:\n" + self.log_of("openbox"))

    def stop(self):
        for name, process in reversed(self._processes):
            self.end(process)
        self._processes = []
        if self.work:
            shutil.rmtree(self.work, ignore_errors=True)
            self.work = None

    def _dir(self, relative):
        path = os.path.join(self.work, relative)
        os.makedirs(path, exist_ok=True)
        return path

    def _spawn(self, name, args, env=None, **kwargs):
        with open(os.path.join(self.work, f"{name}.log"), "wb") as log:
            process = subprocess.Popen(args, env=env or self.env,
                                       stdout=kwargs.pop("stdout", log), stderr=log,
                                       start_new_session=True, preexec_fn=_die_with_parent,
                                       **kwargs)
        self._processes.append((name, process))
        return process

    @staticmethod
    def end(process):
        """Ends a process started here and whatever it started in its group: politely
        first, then the stragglers for good."""
        for sig in (signal.SIGTERM, signal.SIGKILL):
            if sig == signal.SIGTERM and process.poll() is not None:
                continue
            try:
                os.killpg(process.pid, sig)
            except ProcessLookupError:
                pass
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                pass

    def log_of(self, name):
        try:
            with open(os.path.join(self.work, f"{name}.log"), "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""

    def _start_display(self):
        self.display = None
        read_end, write_end = os.pipe()
        self._spawn("xvfb", ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                             "1280x800x24", "-nolisten", "tcp"], pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as numbers:
            number = numbers.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start:\n" + self.log_of("xvfb"))
        self.display = ":" + number
        self.env["DISPLAY"] = self.display
        wait_until(lambda: self._run(["xdpyinfo"]).returncode == 0, 60, "the X display")

    def _start_session_bus(self):
        bus = self._spawn("dbus", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                   "--print-address=1"], stdout=subprocess.PIPE)
        address = bus.stdout.readline().decode().strip()
        bus.stdout.close()
        if not address:
            raise RuntimeError("dbus-daemon did not start:\n" + self.log_of("dbus"))
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        # The accessibility client of this process reads the bus from its environment.
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
        os.environ["DISPLAY"] = self.display

    def _start_window_manager(self):
        """Starts openbox; False when it gave up on the display."""
        openbox = self._spawn("openbox", ["openbox", "--sm-disable"])
        managed = lambda: "_NET_SUPPORTING_WM_CHECK" in self._run(["xprop", "-root"]).stdout
        wait_until(lambda: managed() or openbox.poll() is not None, 60,
                   "openbox to manage the display")
        return managed()

    def start_host(self, *args):
        env = dict(self.env)
        env["QT_QPA_PLATFORM"] = "xcb"
        env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        env["QT_ACCESSIBILITY"] = "1"
        return self._spawn("host", [os.path.join(self.bin_dir, "apurfat-host"), *args], env=env)

    def start_process(self, name, args):
        return self._spawn(name, args)

    # --- X ------------------------------------------------------------------------------

    def _run(self, args):
        return subprocess.run([*map(str, args)], env=self.env, capture_output=True, text=True)

    def xdotool(self, *args):
        result = self._run(["xdotool", *args])
        if result.returncode != 0:
            raise RuntimeError(f"xdotool {' '.join(map(str, args))}: {result.stderr.strip()}")
        return result.stdout.strip()

    def key(self, *keys):
        """Presses keys one after the other at a clerk's pace ("Tab", "shift+Tab", "ctrl+i")."""
        self.xdotool("key", "--delay", KEY_DELAY_MS, *keys)
        time.sleep(KEY_DELAY_MS / 1000)

    def type(self, text):
        self.xdotool("type", "--delay", KEY_DELAY_MS, text)
        time.sleep(KEY_DELAY_MS / 1000)

    def click(self, x, y):
        self.xdotool("mousemove", "--sync", int(x), int(y), "click", "1")

    def active_window_name(self):
        try:
            return self.xdotool("getactivewindow", "getwindowname")
        except RuntimeError:
            return ""

    def window_property(self, name_pattern, prop):
        window = self.xdotool("search", "--onlyvisible", "--name", name_pattern).splitlines()[0]
        return self._run(["xprop", "-id", window, prop]).stdout

    def screenshot(self, path):
        self._run(["import", "-window", "root", path])

    def wait(self, condition, what, timeout=30):
        return wait_until(condition, timeout * self.timeout_scale, what)

    # --- what a screen reader reads -----------------------------------------------------

    def registry(self):
        if self._registry is None:
            import pyatspi  # after the session bus is known

            self._registry = pyatspi
        return self._registry

    def application(self, name="apurfat-host"):
        atspi = self.registry()

        def find():
            for app in atspi.Registry.getDesktop(0):
                if app is not None and app.name == name:
                    return app
            return None

        return self.wait(find, f"the accessible application {name}", timeout=30)
