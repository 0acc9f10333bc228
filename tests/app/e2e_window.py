"""The whole road in the real window, driven from outside as a person would.

Start, click the splash away, search for "velvet", wait for verified rows, download one by the
tool bar, see it complete, see it in the play list, play it, rename it, delete it, open the
options and cancel them, leave by File, Exit; then the settings and the history hold what
they should and the file is gone.

Usage (inside dbus-run-session, with /usr/bin/python3):
    e2e_window.py ORVALO SANDBOX ENGINES.DAT ARTIFACT_FOLDER
On failure the step, a screenshot and the program's logs are left in ARTIFACT_FOLDER.
"""

import os
import signal
import sys
import time

sys.dont_write_bytecode = True  # nothing left behind in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from window_driver import StepFailed, TWindowSession  # noqa: E402

KEY = "velvet"
NEW_NAME = "Renamed Song.mp3"


def readable_bytes(text):
    """The bytes a size cell stands for: "25.5 KB", "3.1 MB", "512 bytes"."""
    number, unit = text.split()
    return float(number.replace(",", "")) * {"bytes": 1, "KB": 1024, "MB": 1024 ** 2, "GB": 1024 ** 3}[unit]


def run(session, step):
    app_folder = session.app
    downloads = os.path.join(app_folder, "Downloads")

    step("start: the splash shows and a click closes it")
    session.start_program()
    session.close_splash()
    frame = session.main_window()
    session.focus_main_window()
    session.wait_find("the Searches page", "push button", "Find It !", root=frame)
    session.check_names(frame, "the Searches page")

    step(f'search: type "{KEY}" and press "Find It !"')
    combo = session.wait_find("the search box", "combo box", root=frame)
    entry = session.wait_find("the search box's text", "text", root=combo)
    session.set_text(entry, KEY)
    session.wait_for("the search box shows the key", lambda: combo.name == KEY, 5)
    session.press("push button", "Find It !", root=frame)

    step("search: rows arrive and verify")
    results = session.wait_find("the result list", "tree", "Search results", root=frame)

    def checked_rows():
        # Every link checked ("Verified" or "Failed", none still "Found"), one at least good.
        rows = session.rows(results)
        if rows and all(cells[0] in ("Verified", "Failed") for cells in rows) \
                and any(cells[0] == "Verified" for cells in rows):
            return rows
        return None

    rows = session.wait_for("every row checked, one verified", checked_rows, seen=lambda: session.rows(results))
    # The longest song: it plays the longest while the player is looked at.
    row, cells = max(((index, cells) for index, cells in enumerate(rows) if cells[0] == "Verified"),
                     key=lambda pair: readable_bytes(pair[1][2]))
    title = cells[1]
    print(f"  {len(rows)} rows, {sum(cells[0] == 'Verified' for cells in rows)} verified; taking {cells}")

    step(f'download: select "{title}" and press "Download File"')
    session.select_row(results, row)
    session.press("push button", "Download File", root=frame)

    step("downloads: the row completes")
    session.press("page tab", "Downloads", root=frame)
    downloads_list = session.wait_find("the downloads list", "tree", "Downloads", root=frame)
    session.check_names(frame, "the Downloads page")
    session.wait_for(f'"{title}" complete', lambda: any(
        cells[0] == "Complete" and title in cells[1] for cells in session.rows(downloads_list)),
        seen=lambda: session.rows(downloads_list))

    step("play list: the file is listed")
    session.press("page tab", "Play List", root=frame)
    play_list = session.wait_find("the play list", "tree", "Play list", root=frame)
    session.check_names(frame, "the Play List page")

    def file_row():
        for index, cells in enumerate(session.rows(play_list)):
            if len(cells) > 1 and title in cells[1]:
                return (index, cells[1])
        return None

    row, file_name = session.wait_for(f'"{title}" in the play list', file_row, seen=lambda: session.rows(play_list))
    if not os.path.isfile(os.path.join(downloads, file_name)):
        raise StepFailed(f'"{file_name}" is listed but not in {downloads}')

    step("play: the player reports playing")
    session.select_row(play_list, row)
    session.press("push button", "Play File", root=frame)
    # The song is a few seconds long: the button says "Pause" while it plays.
    session.wait_find("the Pause button", "push button", "Pause", root=frame)

    step(f'rename: "Rename File" to "{NEW_NAME}"')
    session.select_row(play_list, row)
    session.press("push button", "Rename File", root=frame, answer_later=True)
    box = session.top_window("dialog", "Rename File")
    session.set_text(session.wait_find("the new name's entry", "text", root=box), NEW_NAME)
    session.press("push button", "OK", root=box)
    session.wait_for("the list shows the new name", lambda: any(
        len(cells) > 1 and cells[1] == NEW_NAME for cells in session.rows(play_list)),
        seen=lambda: session.rows(play_list))
    if not os.path.isfile(os.path.join(downloads, NEW_NAME)) or os.path.exists(os.path.join(downloads, file_name)):
        raise StepFailed(f"{downloads} holds {sorted(os.listdir(downloads))}, not only the new name")

    step('delete: "Delete File", answered "Move to Trash"')
    row = next(index for index, cells in enumerate(session.rows(play_list)) if cells[1] == NEW_NAME)
    session.select_row(play_list, row)
    session.press("push button", "Delete File", root=frame, answer_later=True)
    question = session.top_window("alert", "Orvalo")
    session.check_names(question, "the question")
    session.press("push button", "Move to Trash", root=question)
    session.wait_for("the row leaves the list", lambda: all(
        len(cells) < 2 or cells[1] != NEW_NAME for cells in session.rows(play_list)),
        seen=lambda: session.rows(play_list))
    session.wait_for("the file leaves the folder", lambda: not os.path.exists(os.path.join(downloads, NEW_NAME)), 5)

    step("options: Extra, Options... opens the dialog; Cancel closes it")
    session.press_menu_item("Extra", "Options...")
    options = session.top_window("dialog", "Options")
    folder = session.wait_find("the download folder's entry", "text", "Download Folder", root=options)
    session.check_names(options, "the options")
    shown = folder.queryText().getText(0, -1)
    if shown.rstrip("/") != downloads:
        raise StepFailed(f'the options show the download folder "{shown}", not "{downloads}"')
    session.press("push button", "Cancel", root=options)
    session.wait_for("the options close", lambda: session.find("dialog", "Options", showing=True) is None, 10)

    step("close: File, Exit ends the program")
    session.press_menu_item("File", "Exit")
    code = session.wait_program_end()
    if code != 0:
        raise StepFailed(f"the program ended with {code}")

    step("afterwards: settings, history and folder")
    with open(os.path.join(session.config, "Orvalo", "Orvalo.conf"), encoding="utf-8") as text:
        settings = text.read().splitlines()
    for line in (f"DownloadDir={downloads}", f"IncompleteDir={os.path.join(app_folder, 'Incomplete')}",
                 "ClearDownloadsWhenComplete=0"):
        if line not in settings:
            raise StepFailed(f'the settings lack "{line}": {settings}')
    with open(os.path.join(app_folder, "data", "SearchKeys.txt"), encoding="utf-8", errors="replace") as text:
        history = [line.strip() for line in text]
    if KEY not in history:
        raise StepFailed(f'the history lacks "{KEY}": {history}')
    if os.path.exists(os.path.join(downloads, NEW_NAME)):
        raise StepFailed("the deleted file is back")


def main():
    orvalo, sandbox, engines, artifacts = sys.argv[1:5]
    os.makedirs(artifacts, exist_ok=True)
    for stale in ("failure.png", "failure.txt", "orvalo.log", "sandbox.log", "at-spi.log"):
        if os.path.exists(os.path.join(artifacts, stale)):
            os.remove(os.path.join(artifacts, stale))
    current = ["starting"]
    started = time.monotonic()

    def step(name):
        current[0] = name
        print(f"[{time.monotonic() - started:5.1f} s] {name}", flush=True)

    # Told to end (a time-out of the test runner): the clean-up below still stops everything.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    session = TWindowSession(orvalo, sandbox, engines)
    try:
        session.start()
        run(session, step)
    except Exception as error:  # StepFailed, or an AT-SPI call that went wrong
        shot = os.path.join(artifacts, "failure.png")
        session.screenshot(shot)
        session.keep_logs(artifacts)
        with open(os.path.join(artifacts, "failure.txt"), "w", encoding="utf-8") as note:
            note.write(f"step: {current[0]}\n{type(error).__name__}: {error}\n")
        print(f"FAIL at step: {current[0]}\n  {type(error).__name__}: {error}\n  screenshot: {shot}\n"
              f"  logs: {artifacts}", file=sys.stderr, flush=True)
        return 1
    finally:
        session.stop()
    print(f"PASS in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
