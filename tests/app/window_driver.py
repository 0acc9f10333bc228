"""Drives the real Orvalo window from outside, as a person or a screen reader would.

A TWindowSession starts a virtual X server, the stand-in web, the accessibility bus and a
private copy of the program (its folder is the application folder), and stops every one of
them again, whatever happened. The program is read and worked through AT-SPI; xdotool only
does what AT-SPI cannot: a mouse click on the splash, the keyboard focus of the main window.

Run inside a private D-Bus session (dbus-run-session), with /usr/bin/python3 and pyatspi.
"""

import os
import shutil
import signal
import subprocess
import tempfile
import time

STEP_SECONDS = 30  # no single wait lasts longer
CALL_MS = 10000  # an AT-SPI call
SHORT_CALL_MS = 1000  # one whose answer comes only later
# Roles that only hold or divide others: a screen reader passes them by without a name.
UNNAMED_ROLES = {"filler", "panel", "scroll pane", "viewport", "scroll bar", "separator",
                 "split pane", "layered pane", "menu bar", "section"}


class StepFailed(Exception):
    pass


def wait_for(what, probe, seconds=STEP_SECONDS, interval=0.1, seen=None):
    """Calls probe until it answers something true and returns that; fails after seconds,
    telling what seen() answers then."""
    deadline = time.monotonic() + seconds
    while True:
        try:
            found = probe()
        except StepFailed:
            raise
        except Exception:  # a widget went away between two calls: ask again
            found = None
        if found:
            return found
        if time.monotonic() >= deadline:
            detail = ""
            if seen is not None:
                try:
                    detail = f"; seen: {seen()}"
                except Exception as error:
                    detail = f"; nothing to see: {error}"
            raise StepFailed(f"{what}: not within {seconds} s{detail}")
        time.sleep(interval)


def run_quietly(*command, timeout=10):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                          timeout=timeout, check=False)


class TWindowSession:
    def __init__(self, orvalo, sandbox, engines, screen="1024x768x24", app_name="app"):
        self.orvalo_binary = orvalo
        self.sandbox_binary = sandbox
        self.engines = engines
        self.screen = screen
        self.work = tempfile.mkdtemp(prefix="orvalo-window-")
        self.app = os.path.join(self.work, app_name)
        self.config = os.path.join(self.work, "config")
        self.runtime = os.path.join(self.work, "runtime")
        self.processes = []  # in start order; stopped in reverse
        self.program = None
        self.desktop = None
        self.pyatspi = None

    # --- starting and stopping --------------------------------------------------------------

    def start(self):
        os.makedirs(os.path.join(self.app, "data"))
        os.makedirs(self.config)
        os.makedirs(self.runtime, mode=0o700)
        # A private copy of the program, so its folder (the application folder) is ours.
        shutil.copy2(self.orvalo_binary, os.path.join(self.app, "orvalo"))
        shutil.copy2(self.engines, os.path.join(self.app, "data", "Engines.dat"))
        os.environ["XDG_CONFIG_HOME"] = self.config
        os.environ["XDG_RUNTIME_DIR"] = self.runtime
        # Nothing reaches the real user's home: caches (media framework, fonts) and data too.
        home = os.path.join(self.work, "home")
        os.makedirs(home)
        os.environ["HOME"] = home
        os.environ["XDG_CACHE_HOME"] = os.path.join(home, ".cache")
        os.environ["XDG_DATA_HOME"] = os.path.join(home, ".local", "share")
        os.makedirs(os.environ["XDG_DATA_HOME"])
        os.environ.pop("QT_QPA_PLATFORM", None)
        # The window is read by its English names, whatever language the caller's session speaks.
        os.environ["LANG"] = "C.UTF-8"
        for name in ("LANGUAGE", "LC_ALL", "LC_MESSAGES"):
            os.environ.pop(name, None)
        self._start_display()
        self._start_sandbox()
        self._start_accessibility_bus()

    def _spawn(self, command, log_name, **extra):
        log = open(os.path.join(self.work, log_name), "wb")
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                                   **extra)
        log.close()
        self.processes.append(process)
        return process

    def _start_display(self):
        read_end, write_end = os.pipe()
        self._spawn(["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen, "-nolisten", "tcp"],
                    "xvfb.log", pass_fds=(write_end,))
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + STEP_SECONDS
        os.set_blocking(read_end, False)
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            try:
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                number += chunk
            except BlockingIOError:
                time.sleep(0.05)
        os.close(read_end)
        if not number.strip():
            raise StepFailed("the virtual X server did not start")
        os.environ["DISPLAY"] = ":" + number.decode().strip()

    def _start_sandbox(self):
        authority = os.path.join(self.work, "sandbox-ca.pem")
        self._spawn([self.sandbox_binary, "--port", "0", "--ca", authority], "sandbox.log")
        log = os.path.join(self.work, "sandbox.log")

        def address():
            with open(log, encoding="utf-8", errors="replace") as text:
                for line in text:
                    if "listening on " in line:
                        return line.split("listening on ", 1)[1].strip()
            return None

        os.environ["http_proxy"] = wait_for("the stand-in web starts", address)
        os.environ["SSL_CERT_FILE"] = authority
        for name in ("no_proxy", "NO_PROXY", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                     "ALL_PROXY", "CURL_CA_BUNDLE"):
            os.environ.pop(name, None)

    def _start_accessibility_bus(self):
        self._spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], "at-spi.log")
        # The bus is there once the session bus hands out its address.
        wait_for("the accessibility bus starts", lambda: run_quietly(
            "dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
            "org.a11y.Bus.GetAddress").stdout.find("unix:") >= 0)
        import pyatspi  # only now: it asks the session bus for the accessibility bus

        self.pyatspi = pyatspi
        pyatspi.setTimeout(CALL_MS, CALL_MS)
        self.desktop = pyatspi.Registry.getDesktop(0)

    def start_program(self):
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        self.program = self._spawn([os.path.join(self.app, "orvalo")], "orvalo.log", env=env)
        return self.program

    def wait_program_end(self, seconds=STEP_SECONDS):
        try:
            return self.program.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            raise StepFailed(f"the program did not end within {seconds} s") from None

    def screenshot(self, path, window=None):
        target = "root" if window is None else str(window)
        run_quietly("import", "-window", target, path, timeout=20)
        return os.path.exists(path)

    def keep_logs(self, folder):
        os.makedirs(folder, exist_ok=True)
        for name in ("orvalo.log", "sandbox.log", "at-spi.log"):
            source = os.path.join(self.work, name)
            if os.path.exists(source):
                shutil.copy2(source, os.path.join(folder, name))

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait(timeout=5)
        self.processes.clear()
        shutil.rmtree(self.work, ignore_errors=True)

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

    # --- reading the window -----------------------------------------------------------------

    def application(self):
        for app in self.desktop:
            if app is not None and app.get_process_id() == self.program.pid:
                return app
        return None

    def find(self, role, name=None, root=None, showing=True, predicate=None):
        """The first accessible of role (and name) below root, breadth first."""
        found = self.find_all(role, name, root, showing, predicate, limit=1)
        return found[0] if found else None

    def find_all(self, role, name=None, root=None, showing=True, predicate=None, limit=None):
        root = root or self.application()
        if root is None:
            return []
        found = []
        queue = [root]
        while queue:
            node = queue.pop(0)
            for child in node:
                if child is None:
                    continue
                if (child.getRoleName() == role and (name is None or child.name == name)
                        and (not showing or self.is_showing(child))
                        and (predicate is None or predicate(child))):
                    found.append(child)
                    if limit and len(found) >= limit:
                        return found
                queue.append(child)
        return found

    def nameless(self, root):
        """The controls showing below root that a screen reader could call only by their role.
        Lists are not entered: their cells answer with their text."""
        found = []
        queue = [root]
        while queue:
            node = queue.pop(0)
            for child in node:
                if child is None or not self.is_showing(child):
                    continue
                role = child.getRoleName()
                if not child.name and role not in UNNAMED_ROLES:
                    found.append(f"{role} in {node.getRoleName()} {node.name!r}")
                if role not in ("tree", "table", "tree table", "list"):
                    queue.append(child)
        return found

    def check_names(self, root, where):
        missing = self.nameless(root)
        if missing:
            raise StepFailed(f"{where}: controls without an accessible name: {missing}")

    def is_showing(self, accessible):
        return accessible.getState().contains(self.pyatspi.STATE_SHOWING)

    def is_checked(self, accessible):
        return accessible.getState().contains(self.pyatspi.STATE_CHECKED)

    def wait_for(self, what, probe, seconds=STEP_SECONDS, seen=None):
        """wait_for, failing at once when the program has ended meanwhile."""
        def probe_while_running():
            if self.program is not None and self.program.poll() is not None:
                raise StepFailed(f"{what}: the program ended with {self.program.returncode}")
            return probe()
        return wait_for(what, probe_while_running, seconds, seen=seen)

    def wait_find(self, what, role, name=None, root=None, seconds=STEP_SECONDS, **options):
        return self.wait_for(what, lambda: self.find(role, name, root, **options), seconds)

    def top_window(self, role, name, seconds=STEP_SECONDS):
        """A window of the program: the main frame, a dialog, an alert."""
        def probe():
            app = self.application()
            for child in app or []:
                if child is not None and child.getRoleName() == role and child.name == name \
                        and self.is_showing(child):
                    return child
            return None
        return self.wait_for(f'the {role} "{name}" shows', probe, seconds)

    def rows(self, table):
        """The rows of a list as lists of cell names (pictures answer with their words)."""
        info = table.queryTable()
        return [[(info.getAccessibleAt(row, column).name or "") for column in range(info.nColumns)]
                for row in range(info.nRows)]

    # --- working the window -----------------------------------------------------------------

    def act(self, accessible, *names, answer_later=False):
        """Runs the first of the named actions the accessible offers (Press, Toggle, ...).

        The program answers an action only once it has run: one that opens a dialog answers
        when the dialog is closed again, one that ends the program never. For those
        (answer_later) the call waits only briefly; the caller looks for the effect."""
        action = accessible.queryAction()
        offered = [action.getName(i) for i in range(action.nActions)]
        for name in names:
            if name not in offered:
                continue
            if not answer_later:
                action.doAction(offered.index(name))
                return
            self.pyatspi.setTimeout(SHORT_CALL_MS, SHORT_CALL_MS)
            try:
                action.doAction(offered.index(name))
            except Exception:
                pass  # no answer yet: expected
            finally:
                self.pyatspi.setTimeout(CALL_MS, CALL_MS)
            return
        raise StepFailed(f'"{accessible.name}" offers none of {names}, only {offered}')

    def press(self, role, name, root=None, answer_later=False):
        control = self.wait_find(f'the {role} "{name}" shows', role, name, root)
        self.act(control, "Press", "Toggle", answer_later=answer_later)
        return control

    def press_menu_item(self, menu, item, answer_later=True):
        """Chooses an item of a menu of the menu bar, as a screen reader does."""
        bar = self.find("menu bar", root=self.main_window())
        title = self.wait_for(f'the menu "{menu}"', lambda: self.find("menu item", menu, root=bar))
        entry = self.wait_for(f'the item "{item}" of the menu "{menu}"',
                         lambda: self.find("menu item", item, root=title, showing=False))
        self.act(entry, "Press", answer_later=answer_later)

    def select_row(self, table, row):
        """That row alone, as a click on it chooses it."""
        info = table.queryTable()
        for selected in info.getSelectedRows():
            if selected != row:
                info.removeRowSelection(selected)
        info.addRowSelection(row)
        self.wait_for(f"row {row} of {table.name} selected", lambda: table.queryTable().isRowSelected(row), 5)

    def set_text(self, entry, text):
        entry.queryEditableText().setTextContents(text)

    def click(self, accessible):
        """A real mouse click in the middle of a control, for what has no action."""
        box = accessible.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        run_quietly("xdotool", "mousemove", str(box.x + box.width // 2), str(box.y + box.height // 2),
                    "click", "1")

    def close_splash(self):
        """Clicks the splash away; a slow start may have seen it close by its timer already."""
        def splash_or_main():
            for child in self.application() or []:
                if child is not None and child.name == "Orvalo" and self.is_showing(child) \
                        and child.getRoleName() in ("dialog", "frame"):
                    return child
            return None
        first = self.wait_for("the splash or the main window shows", splash_or_main)
        if first.getRoleName() != "dialog":
            print("  the splash had closed by itself already", flush=True)
            return
        logo = self.find("image", "Orvalo logo", root=first)
        if logo is not None:
            self.click(logo)

    def main_window(self):
        return self.top_window("frame", "Orvalo")

    def focus_main_window(self):
        """Without a window manager nothing activates the window: give it the focus."""
        frame = self.main_window()
        box = frame.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        windows = run_quietly("xdotool", "search", "--onlyvisible", "--pid", str(self.program.pid),
                              "--name", "^Orvalo$").stdout.split()
        for window in windows:
            geometry = run_quietly("xdotool", "getwindowgeometry", window).stdout
            if f"{box.width}x{box.height}" in geometry:
                run_quietly("xdotool", "windowfocus", "--sync", window)
                return window
        raise StepFailed(f"no X window of the size of the main window ({box.width}x{box.height})")
