"""Takes the README's pictures of the real window against the stand-in web.

Usage (inside dbus-run-session, with /usr/bin/python3):
    screenshots.py ORVALO SANDBOX ENGINES.DAT OUTPUT_FOLDER
Writes search.png, downloads.png, playlist.png, options.png and about.png, each cut to its
window. Scripted by scripts/screenshots.sh.
"""

import os
import sys
import tempfile

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "app"))
from window_driver import StepFailed, TWindowSession, run_quietly  # noqa: E402

KEY = "velvet"
DOWNLOADS = 3  # the longest verified songs


def shoot(session, accessible, path):
    """The screen cut to one window, as the window's own picture."""
    box = accessible.queryComponent().getExtents(session.pyatspi.DESKTOP_COORDS)
    result = run_quietly("import", "-window", "root", "-crop", f"{box.width}x{box.height}+{box.x}+{box.y}",
                         "+repage", path, timeout=20)
    if result.returncode != 0 or not os.path.exists(path):
        raise StepFailed(f"no picture written to {path}")
    print(f"  wrote {path} ({box.width}x{box.height})", flush=True)


def run(session, out):
    print("start", flush=True)
    session.start_program()
    session.close_splash()
    frame = session.main_window()
    session.focus_main_window()
    session.wait_find("the Searches page", "push button", "Find It !", root=frame)

    print(f'search "{KEY}"', flush=True)
    combo = session.wait_find("the search box", "combo box", root=frame)
    session.set_text(session.wait_find("the search box's text", "text", root=combo), KEY)
    session.press("push button", "Find It !", root=frame)
    results = session.wait_find("the result list", "tree", "Search results", root=frame)

    def checked_rows():
        rows = session.rows(results)
        if rows and all(cells[0] in ("Verified", "Failed") for cells in rows):
            return rows
        return None

    rows = session.wait_for("every row checked", checked_rows, seen=lambda: session.rows(results))
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
    for index, _ in chosen:
        session.select_row(results, index)
        session.press("push button", "Download File", root=frame)
    session.press("check box", "Downloads", root=frame)
    downloads = session.wait_find("the downloads list", "tree", "Downloads", root=frame)
    session.wait_for("every download complete", lambda: len(session.rows(downloads)) == len(chosen) and all(
        cells[0] == "Complete" for cells in session.rows(downloads)), seen=lambda: session.rows(downloads))
    shoot(session, frame, os.path.join(out, "downloads.png"))

    print("play", flush=True)
    session.press("check box", "Play List", root=frame)
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

    print("options", flush=True)
    session.press_menu_item("Extra", "Options...")
    options = session.top_window("dialog", "Options")
    session.wait_find("the download folder", "text", "Download Folder", root=options)
    shoot(session, options, os.path.join(out, "options.png"))
    session.press("push button", "Cancel", root=options)

    print("about", flush=True)
    session.press_menu_item("Help", "About...")
    about = session.top_window("dialog", "About Orvalo")
    session.wait_find("the link", "label", "Visit the Orvalo Website", root=about)
    shoot(session, about, os.path.join(out, "about.png"))
    session.click(session.wait_find("the about logo", "image", "Orvalo logo", root=about))

    session.press_menu_item("File", "Exit")
    session.wait_program_end()


def main():
    orvalo, sandbox, engines, out = sys.argv[1:5]
    os.makedirs(out, exist_ok=True)
    # The folders the options show end in a name a reader knows.
    session = TWindowSession(orvalo, sandbox, engines, app_name="Orvalo")
    try:
        session.start()
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
