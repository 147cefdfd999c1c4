"""The demo host as a clerk meets it on a real desktop: the billing calculation screen with
its filter, its grids, command bar and navigator, the message boxes it shows, and the demo
database behind it, read-only.

Widgets are found by what a screen reader reads (role and name); a clerk's clicks land on
the places they report. The message boxes shown are counted from the moment the host
starts, so that a story can tell one message from the same message twice.
"""

import datetime
import os
import sqlite3
import subprocess
import threading
import time
import unittest

from desktop import Desktop

MESSAGE_CAPTIONS = ("Informação", "Erro", "Aviso", "Confirmação")
SOMA_DIF = ("A soma das quantidades rateadas deve ser igual ao nº de comensais faturadas do "
            "dia.")
DISCARD = "As alterações do rateio não foram gravadas. Descartá-las e fechar?"
HOSPITAL_CNPJ = "45.281.769/0001-63"
HOSPITAL = "1002"


def bin_dir():
    return os.environ.get("APURFAT_BIN_DIR") or os.path.join(
        os.path.dirname(__file__), "..", "..", "build", "bin")


def timeout_scale():
    return float(os.environ.get("APURFAT_DESKTOP_TIMEOUT_SCALE", "1"))


def last_month():
    first = datetime.date.today().replace(day=1)
    end = first - datetime.timedelta(days=1)
    return end.replace(day=1), end


def br(day):
    return day.strftime("%d/%m/%Y")


def quantity_text(value):
    """A quantity as a clerk types it: decimal comma, no grouping."""
    return f"{value:.3f}".rstrip("0").rstrip(".").replace(".", ",")


def display_quantity(value):
    """A quantity as the grids show it: "#,##0.000" the Brazilian way."""
    return f"{value:,.3f}".replace(",", "_").replace(".", ",").replace("_", ".")


class MessageWatcher(threading.Thread):
    """Records every message box the window manager is given, in order, as it comes: it
    follows the window manager's list of client windows, so none is missed however
    briefly it shows."""

    def __init__(self, desktop):
        super().__init__(daemon=True)
        self.desktop = desktop
        self.seen = []  # (window id, caption)
        self._known = set()
        self._spy = None

    def start(self):
        self._spy = subprocess.Popen(["xprop", "-root", "-spy", "_NET_CLIENT_LIST"],
                                     env=self.desktop.env, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True,
                                     start_new_session=True)
        super().start()

    def run(self):
        for line in self._spy.stdout:
            for window in line.partition("#")[2].replace(",", " ").split():
                if window in self._known:
                    continue
                self._known.add(window)
                try:
                    caption = self.desktop.xdotool("getwindowname", window)
                except RuntimeError:
                    continue  # gone already: no message box goes that fast
                if caption in MESSAGE_CAPTIONS:
                    self.seen.append((window, caption))

    def stop(self):
        if self._spy is not None:
            self.desktop.end(self._spy)
        if self.is_alive():
            self.join(timeout=5)
        if self._spy is not None:
            self._spy.stdout.close()


class Clerk:
    """The host on a desktop, and the clerk at it."""

    def __init__(self, desktop):
        self.d = desktop
        self.app = None
        self.atspi = None
        self.watcher = MessageWatcher(desktop)
        self.demo_dir = None
        self.messages_read = []  # the texts of the message boxes answered so far

    # --- starting -------------------------------------------------------------------------

    def start(self, *host_arguments):
        self.watcher.start()
        self.d.start_host(*host_arguments)
        self.atspi = self.d.registry()
        self.app = self.d.application()

    def start_demo(self):
        """The demo on fresh data, its billing screen up with the focus on the branch."""
        self.demo_dir = os.path.join(self.d.work, "demo")
        self.start("--demo", "--demo-dir", self.demo_dir)
        self.d.wait(lambda: "Torvo" in self.d.active_window_name(), "the billing screen",
                    timeout=60)
        self.wait_focus("text", "Filial")

    def stop(self):
        self.watcher.stop()

    # --- the accessible tree ----------------------------------------------------------------

    def _showing(self, acc):
        return acc.getState().contains(self.atspi.STATE_SHOWING)

    def find(self, role, name=None, root=None):
        """The first showing object with that role name ("push button", "table", …) and
        name, depth first, not looking into grids; None when there is none."""
        stack = [root or self.app]
        while stack:
            acc = stack.pop()
            if acc is None:
                continue
            try:
                if acc.getRoleName() == role and (name is None or acc.name == name) and \
                        self._showing(acc):
                    return acc
                if acc.getRoleName() == "table":
                    continue
                if acc is not self.app and not self._showing(acc):
                    continue
                stack.extend(reversed([acc[i] for i in range(acc.childCount)]))
            except Exception:
                continue
        return None

    def get(self, role, name=None, root=None):
        return self.d.wait(lambda: self.find(role, name, root), f"the {role} '{name}'")

    def has_focus(self, acc):
        return acc is not None and acc.getState().contains(self.atspi.STATE_FOCUSED)

    def wait_focus(self, role, name):
        acc = self.get(role, name)
        self.d.wait(lambda: self.has_focus(acc), f"the focus on the {role} '{name}'")
        return acc

    def focus_in_grid(self, name):
        """Whether the grid holds the focus (its current cell reads as focused whatever holds
        the focus, and an open cell editor is not in the tree: ask with the cell closed)."""
        grid = self.find("table", name)
        return grid is not None and self.has_focus(grid)

    def centre(self, acc):
        e = acc.queryComponent().getExtents(self.atspi.DESKTOP_COORDS)
        return e.x + e.width // 2, e.y + e.height // 2

    def click(self, acc):
        self.assert_no_message()
        self.d.click(*self.centre(acc))

    def press(self, button_name):
        """Clicks a command button (the command bar, the navigator bar) by its name."""
        self.click(self.get("push button", button_name))

    # --- grids --------------------------------------------------------------------------

    def grid(self, name):
        return self.get("table", name)

    def rows(self, name):
        return self.grid(name).queryTable().nRows

    def cell(self, name, row, column):
        return self.grid(name).queryTable().getAccessibleAt(row, column)

    def text(self, name, row, column):
        return self.cell(name, row, column).name

    def column_texts(self, name, column):
        return [self.text(name, r, column) for r in range(self.rows(name))]

    def row_of(self, name, column, text):
        """The row whose cell in `column` reads `text`, waiting for it to show."""
        def find():
            texts = self.column_texts(name, column)
            return texts.index(text) + 1 if text in texts else 0
        return self.d.wait(find, f"'{text}' in the grid {name}") - 1

    def current_row(self, name):
        """The grid's current row: the one whose cell is selected."""
        def find():
            t = self.grid(name).queryTable()
            for r in range(t.nRows):
                for col in range(t.nColumns):
                    cell = t.getAccessibleAt(r, col)
                    if cell is not None and cell.getState().contains(self.atspi.STATE_SELECTED):
                        return r + 1
            return 0
        return self.d.wait(find, f"the current row of {name}") - 1

    def click_cell(self, name, row, column):
        self.click(self.cell(name, row, column))

    def wait_cell(self, name, row, column, text):
        self.d.wait(lambda: self.text(name, row, column) == text,
                    f"'{text}' in row {row}, column {column} of {name}")

    # --- message boxes ------------------------------------------------------------------

    def open_messages(self):
        out = []
        for i in range(self.app.childCount):
            window = self.app[i]
            try:
                if window.getRoleName() in ("alert", "dialog") and self._showing(window) and \
                        window.name in MESSAGE_CAPTIONS:
                    out.append(window)
            except Exception:
                continue
        return out

    def _texts_under(self, acc):
        out = []
        stack = [acc]
        while stack:
            a = stack.pop()
            if a.getRoleName() == "label" and a.name:
                out.append(a.name)
            stack.extend(a[i] for i in range(a.childCount))
        return out

    def read_message(self):
        """Waits for a message box and returns it, its caption and its text."""
        box = self.d.wait(lambda: (m := self.open_messages()) and m[0], "a message box")
        texts = self.d.wait(lambda: self._texts_under(box), "the message's text")
        return box, box.name, max(texts, key=len)

    def answer(self, key="Return", button=None):
        """Reads the open message box, answers it with `key` (or a click on the button with
        that caption), and waits until the screen has the focus back; returns the text."""
        box, caption, text = self.read_message()
        self.messages_read.append(text)
        if button:
            self.d.click(*self.centre(self.get("push button", button, box)))
        else:
            self.d.key(key)
        # Gone, or followed by another (a question after a refusal).
        self.d.wait(lambda: box not in self.open_messages(), "the message box to close")
        if not self.open_messages():
            self.d.wait(lambda: "Corvana" in self.d.active_window_name(),
                        "the main window to be active again")
        return text

    def assert_no_message(self):
        if self.open_messages():
            _, caption, text = self.read_message()
            raise AssertionError(f"an unexpected message is open: {caption}: {text}")

    def boxes_seen(self):
        return len(self.watcher.seen)

    # --- the clerk's usual steps --------------------------------------------------------

    def fill_filter(self, branch, registration, start, end):
        """Branch, client and period, typed and tabbed through as a clerk does; the
        services page lists the client's services."""
        self.d.key("ctrl+a")
        self.d.type(branch)
        self.d.key("Tab")
        self.wait_focus("text", "Cliente")
        self.d.type(registration)
        self.d.key("Tab")
        self.d.type(start.strftime("%d%m%Y"))
        self.d.key("Tab")
        self.d.type(end.strftime("%d%m%Y"))
        self.d.key("Tab")
        self.d.wait(lambda: self.rows("Serviços") > 0, "the client's services")

    def open_daily_page(self, service):
        self.click_cell("Serviços", self.row_of("Serviços", 1, service), 1)
        self.click(self.get("page tab", "Efetivos"))
        self.d.wait(lambda: self.find("table", "Rateio") is not None, "the daily page")

    def choose_day(self, day):
        self.click_cell("Efetivos", self.row_of("Efetivos", 0, br(day)), 0)
        self.d.wait(lambda: self.current_day() == br(day), f"the day {br(day)} to be current")

    def service_on_navigator(self):
        """The service the navigator bar names (the current one)."""
        bar = self.get("push button", "Verificar").parent
        for i in range(bar.childCount):
            if bar[i].getRoleName() == "label":
                return bar[i].name
        return None

    def current_day(self):
        return self.text("Efetivos", self.current_row("Efetivos"), 0)

    def snapshot(self):
        """What the screen shows now, for a failure's report."""
        lines = [f"active window: {self.d.active_window_name()}",
                 f"message boxes seen: {self.watcher.seen}"]
        try:
            for box in self.open_messages():
                lines.append(f"open message: {box.name}: {self._texts_under(box)}")
            for name in ("Serviços", "Efetivos", "Rateio"):
                grid = self.find("table", name)
                if grid is None:
                    continue
                t = grid.queryTable()
                lines.append(f"grid {name} (focus {self.focus_in_grid(name)}):")
                for r in range(t.nRows):
                    cells = [t.getAccessibleAt(r, col) for col in range(t.nColumns)]
                    lines.append("   " + " | ".join(
                        (cell.name if cell is not None else "?") +
                        ("*" if cell is not None and self.has_focus(cell) else "")
                        for cell in cells))
        except Exception as error:
            lines.append(f"(reading the screen failed: {error})")
        return "\n".join(lines)

    # --- the demo's database --------------------------------------------------------------

    def db(self):
        path = os.path.join(self.demo_dir, "apurfat-demo.sqlite")
        connection = sqlite3.connect(f"file:{path}?mode=ro", uri=True, timeout=10)
        return connection

    def shares(self, service, day):
        """The day's stored shares as (sequence, quantity, NF, note), in sequence order."""
        with self.db() as db:
            return db.execute(
                "SELECT NRSEQITRAT, QTDERATEIO, NRAGREFRAT, DSOBSRATE FROM EFETRATCDRS "
                "WHERE CDFILIAL = '0001' AND CDCLIENTE = ? AND CDSERVFILI = ? AND "
                "DTRATCDRS = ? ORDER BY NRSEQITRAT", (HOSPITAL, service, day.isoformat())
            ).fetchall()

    def another_clerk_changes_note(self, service, day, sequence, note):
        """Another clerk's save of the same share, straight into the database."""
        path = os.path.join(self.demo_dir, "apurfat-demo.sqlite")
        with sqlite3.connect(path, timeout=10) as db:
            db.execute("UPDATE EFETRATCDRS SET DSOBSRATE = ? WHERE CDFILIAL = '0001' AND "
                       "CDCLIENTE = ? AND CDSERVFILI = ? AND DTRATCDRS = ? AND NRSEQITRAT = ?",
                       (note, HOSPITAL, service, day.isoformat(), sequence))

    def billed(self, service, day):
        with self.db() as db:
            return db.execute(
                "SELECT QTCOMECDRS FROM EFETCDRS WHERE CDFILIAL = '0001' AND CDCLIENTE = ? "
                "AND CDSERVFILI = ? AND DTEFETCDRS = ?", (HOSPITAL, service, day.isoformat())
            ).fetchone()[0]

    def service_code(self, name):
        with self.db() as db:
            return db.execute("SELECT CDSERVFILI FROM SERVFILI WHERE CDFILIAL = '0001' AND "
                              "NMSERVICO = ?", (name,)).fetchone()[0]

    def split_days(self, service, start, end):
        """The days of the period with stored shares, in date order."""
        with self.db() as db:
            rows = db.execute(
                "SELECT DISTINCT DTRATCDRS FROM EFETRATCDRS WHERE CDFILIAL = '0001' AND "
                "CDCLIENTE = ? AND CDSERVFILI = ? AND DTRATCDRS BETWEEN ? AND ? "
                "ORDER BY DTRATCDRS", (HOSPITAL, service, start.isoformat(), end.isoformat())
            ).fetchall()
        return [datetime.date.fromisoformat(r[0][:10]) for r in rows]

    def billed_days(self, service, start, end):
        with self.db() as db:
            rows = db.execute(
                "SELECT DTEFETCDRS FROM EFETCDRS WHERE CDFILIAL = '0001' AND CDCLIENTE = ? "
                "AND CDSERVFILI = ? AND DTEFETCDRS BETWEEN ? AND ? ORDER BY DTEFETCDRS",
                (HOSPITAL, service, start.isoformat(), end.isoformat())).fetchall()
        return [datetime.date.fromisoformat(r[0][:10]) for r in rows]


class DesktopStory(unittest.TestCase):
    """A clerk's story on a desktop of its own, with the demo on fresh data."""

    def setUp(self):
        self.started = time.monotonic()
        self.desktop = Desktop(bin_dir(), timeout_scale())
        self.desktop.start()
        self.clerk = Clerk(self.desktop)
        self.addCleanup(self._tear_down)

    def _tear_down(self):
        result = self._outcome.result
        failed = any(test is self for test, _ in result.failures + result.errors)
        if failed:
            print(self.clerk.snapshot())
            shots = os.environ.get("APURFAT_DESKTOP_SHOTS")
            if shots:
                self.desktop.screenshot(os.path.join(shots, self.id() + ".png"))
        self.clerk.stop()
        host_log = self.desktop.log_of("host")
        self.desktop.stop()
        if failed or os.environ.get("APURFAT_DESKTOP_VERBOSE"):
            print("--- the host's output\n" + host_log)
        print(f"{self.id()}: {time.monotonic() - self.started:.1f} s")

    def assertMessagesShown(self, count):
        """Exactly `count` message boxes came up since the host started."""
        self.assertEqual(self.clerk.boxes_seen(), count,
                         f"message boxes seen: {self.clerk.watcher.seen}; "
                         f"read: {self.clerk.messages_read}")
