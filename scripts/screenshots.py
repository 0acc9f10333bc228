"""Takes the README's pictures of the real window against the stand-in web.

Usage (inside dbus-run-session, with /usr/bin/python3):
    screenshots.py ORVALO SANDBOX ENGINES.DAT OUTPUT_FOLDER
Writes search.png, downloads.png, playlist.png and about.png, each cut to its window. Scripted by scripts/screenshots.sh.
"""

import os
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "app"))
from window_driver import StepFailed, TWindowSession, run_quietly  # noqa: E402

KEY = "velvet"
DOWNLOADS = 3  # the longest verified songs
SLOW = "Procession of Snails"  # six seconds to arrive
CUT = "Half a Postcard"  # cut short part-way, then continued by itself


def shoot(session, accessible, path):
    """The screen cut to one window, as the window's own picture."""
    box = accessible.queryComponent().getExtents(session.pyatspi.DESKTOP_COORDS)
    result = run_quietly("import", "-window", "root", "-crop", f"{box.width}x{box.height}+{box.x}+{box.y}",
                         "+repage", path, timeout=20)
    if result.returncode != 0 or not os.path.exists(path):
        raise StepFailed(f"no picture written to {path}")
    print(f"  wrote {path} ({box.width}x{box.height})", flush=True)


def checked(session, results):
    """The rows once every link is checked ("Verified" or "Failed", none still "Found")."""
    rows = session.rows(results)
    if rows and all(cells[0] in ("Verified", "Failed") for cells in rows):
        return rows
    return None


def search(session, frame, key):
    print(f'search "{key}"', flush=True)
    combo = session.wait_find("the search box", "combo box", root=frame)
    session.set_text(session.wait_find("the search box's text", "text", root=combo), key)
    session.press("push button", "Find It !", root=frame)
    results = session.wait_find("the result list", "tree", "Search results", root=frame)

    def this_search_checked():
        # The press is answered later: the rows of the search before may still be listed.
        rows = checked(session, results)
        return rows if rows and all(key in cells[1].lower() or key in cells[4].lower() for cells in rows) else None

    return results, session.wait_for("every row checked", this_search_checked, seen=lambda: session.rows(results))


def download(session, frame, results, rows):
    for index in rows:
        session.select_row(results, index)
        session.press("push button", "Download File", root=frame)


def run(session, out):
    print("start", flush=True)
    session.start_program()
    session.close_splash()
    frame = session.main_window()
    session.focus_main_window()
    session.wait_find("the Searches page", "push button", "Find It !", root=frame)

    results, rows = search(session, frame, KEY)
    verified = sorted(((index, cells) for index, cells in enumerate(rows) if cells[0] == "Verified"),
                      key=lambda pair: -int(pair[1][2]))
    # Distinct songs: the same song found on two sites is one file.
    chosen, titles = [], set()
    for index, cells in verified:
        if cells[1] not in titles:
            chosen.append((index, cells))
            titles.add(cells[1])
    chosen = chosen[:DOWNLOADS]
    session.select_row(results, chosen[0][0])
    shoot(session, frame, os.path.join(out, "search.png"))

    print("download", flush=True)
    download(session, frame, results, [index for index, _ in chosen])
    # A slow song still arriving and a cut one beside the finished ones.
    results, rows = search(session, frame, "quillmakers")
    slow = [index for index, cells in enumerate(rows) if SLOW in cells[1] or CUT in cells[1]]
    download(session, frame, results, slow[:2])
    session.press("page tab", "Downloads", root=frame)
    downloads = session.wait_find("the downloads list", "tree", "Downloads", root=frame)

    def mixed():
        rows = session.rows(downloads)
        states = [cells[0] for cells in rows]
        # The cut one was continued after two seconds; the slow one still arrives.
        arriving = any(SLOW in cells[1] and cells[0] == "Downloading" and cells[3] != "0" for cells in rows)
        return arriving and states.count("Complete") >= len(chosen) + 1

    session.wait_for("downloads complete and running", mixed, seen=lambda: session.rows(downloads))
    # A second and a half in, the line under the list has the running one's speed and time left.
    time.sleep(1.5)
    shoot(session, frame, os.path.join(out, "downloads.png"))

    print("play", flush=True)
    session.press("page tab", "Play List", root=frame)
    play_list = session.wait_find("the play list", "tree", "Play list", root=frame)
    longest = chosen[0][1][1]
    (row,) = session.wait_for("the longest song listed", lambda: next(
        ((index,) for index, cells in enumerate(session.rows(play_list)) if longest in cells[1]), None),
        seen=lambda: session.rows(play_list))
    session.select_row(play_list, row)
    session.press("push button", "Play File", root=frame)
    session.wait_find("the Pause button", "push button", "Pause", root=frame)
    # A second in, so the position shows the song under way.
    session.wait_find("the elapsed time", "label", "0:01", root=frame, seconds=10)
    shoot(session, frame, os.path.join(out, "playlist.png"))

    print("about", flush=True)
    session.press_menu_item("Help", "About...")
    about = session.top_window("dialog", "About Orvalo")
    session.wait_find("the link", "label", "Visit the Orvalo Website", root=about)
    shoot(session, about, os.path.join(out, "about.png"))
    session.click(session.wait_find("the about logo", "image", "Orvalo logo", root=about))

    session.press_menu_item("File", "Exit")
    # A download may still run: quitting asks first.
    question = session.find("alert", "Orvalo")
    if question is not None:
        session.press("push button", "Quit and Resume Later", root=question)
    session.wait_program_end()


def main():
    orvalo, sandbox, engines, out = sys.argv[1:5]
    os.makedirs(out, exist_ok=True)
    # The folders the options show end in a name a reader knows.
    session = TWindowSession(orvalo, sandbox, engines, screen="1280x800x24", app_name="Orvalo")
    try:
        session.start()
        # The window as a person would keep it: wide enough for every column to read.
        os.makedirs(os.path.join(session.config, "Orvalo"), exist_ok=True)
        with open(os.path.join(session.config, "Orvalo", "Orvalo.conf"), "w", encoding="utf-8") as settings:
            settings.write("[Window]\nGeometry=\"60,40,1100,700\"\n")
        run(session, out)
    except Exception as error:
        # Not among the pictures: a failure is no picture for the README.
        shot = os.path.join(tempfile.gettempdir(), "orvalo-screenshots-failure.png")
        session.screenshot(shot)
        print(f"screenshots: {type(error).__name__}: {error} (the screen: {shot})", file=sys.stderr)
        return 1
    finally:
        session.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
