#!/usr/bin/env python3
# tools/exit_stress.py: starts the launcher and presses Exit while its click sound plays, over and over.
"""Usage: [E2E_WINEARCH=win32|win64|x64] tools/exit_stress.py [--build WINBUILDDIR] [--cycles N] [--hog N]

Each cycle starts the launcher from a test medium, presses the exit entry with a real click (the press plays
the click sound and closes the menu at once) and waits for the process to end. Most cycles first press beside
the entries, so the exit meets that click sound at some point of its life (see LEADS). Every status other
than 0 is printed as it happens, with the cycle's number; at the end a summary gives the statuses seen and how
the sounds reached the capture (each stream a whole sound or its beginning, as it should be, or anything
else). --hog starts N busy loops beside the run and stops them at its end. WINBUILDDIR defaults to
build/win, or build/win-x64 for x64; a template Wine prefix of its own is made there when missing. Not part of
the test command.
"""
import argparse
import collections
import multiprocessing
import os
import signal
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "tests", "e2e"))

import harness  # noqa: E402
import launcher_checks  # noqa: E402
import sound_sink  # noqa: E402


# Seconds between a press beside the entries and the move to the exit entry (None: no such press), so that
# over the cycles the exit's press meets the first click sound at every point of its life, from the opening
# of the audio device to its end.
LEADS = (None, 0, 0.05, 0.1, 0.2, 0.4)
MOVE_DELIVERED = 0.15  # lets Wine deliver the move to the exit entry before the press


def busy():
    while True:
        pass


def sound_verdict(streams, sounds):
    """How the captured streams of one cycle relate to the click sounds: each one should be a whole sound or
    a beginning of one (a sound cut off by the next press or by the exit)."""
    kinds = []
    for data in streams:
        if data in sounds:
            kinds.append("whole")
        elif any(s.startswith(data) for s in sounds):
            kinds.append("beginning")
        else:
            kinds.append("%d bytes of no sound's beginning" % len(data))
    return ", ".join(kinds) or "none"


def cycle(session, medium, sink, fore, lead):
    """One start and exit; gives the exit status. With a lead, a press beside the entries starts the other
    click sound before the move to the exit and its press; without, the exit's own sound is the only one."""
    session.park_pointer()
    launcher = session.start_launcher(medium, env_extra=sink.env)
    menu = launcher_checks.menu_window(session, launcher)
    client = menu["client"]
    exit_x, exit_y = client["left"] + harness.centre("exit")[0], client["top"] + harness.centre("exit")[1]
    if lead is not None:
        session.move(client["left"] + harness.OUTSIDE[0], client["top"] + harness.OUTSIDE[1])
        session.xdotool("click", 1, "sleep", lead, "mousemove", exit_x, exit_y, "sleep", MOVE_DELIVERED, "click", 1)
    else:
        session.move(exit_x, exit_y)
        difference = launcher_checks.wait_piece(session, menu, "exit", fore)
        if difference:
            launcher.kill()
            return "exit never lit: " + difference
        session.click(1)
    try:
        return launcher.wait(60)
    except AssertionError:
        launcher.kill()
        return "still running after 60 s"


def captured(sink, expected):
    """The streams the cycle left, once every stream it opened is closed."""
    if expected == 0:
        return sink.new_streams(0, settle=0.3)
    try:
        return sink.new_streams(1, timeout=10, settle=0.3)
    except AssertionError:
        return []


def main():
    parser = argparse.ArgumentParser()
    build = "win-x64" if harness.wine_arch() == "x64" else "win"
    parser.add_argument("--build", default=os.path.join(os.path.dirname(HERE), "build", build))
    parser.add_argument("--cycles", type=int, default=300)
    parser.add_argument("--hog", type=int, default=0)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    arch = harness.wine_arch()
    template = os.path.join(build, "e2e", "exit-stress-prefix-" + arch)
    probe = os.path.join(build, "tools", "probe", "probe.exe")
    if not os.path.isfile(os.path.join(template, "system.reg")):
        harness.make_template(template, probe, arch)
    os.environ.update(WINBUILDDIR=build, E2E_TEMPLATE_PREFIX=template, E2E_PROBE=probe)

    hogs = [multiprocessing.Process(target=busy, daemon=True) for _ in range(args.hog)]
    for hog in hogs:
        hog.start()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))  # ends the session and the busy loops
    statuses = collections.Counter()
    sounds = collections.Counter()
    try:
        with harness.WineSession() as session:
            medium = harness.lay_out_medium(os.path.join(session.dir, "medium"), build)
            sink = sound_sink.SoundSink(session.dir)
            fore = launcher_checks.skin(medium, "Fore")
            clicks = [sound_sink.wav_data(os.path.join(medium, "Autorun", "Sound", name + ".WAV"))
                      for name in ("DOWN", "NoDOWN")]
            for number in range(1, args.cycles + 1):
                lead = LEADS[number % len(LEADS)]
                status = cycle(session, medium, sink, fore, lead)
                verdict = sound_verdict(captured(sink, 0 if lead is None else 1), clicks)
                statuses[status] += 1
                sounds[verdict] += 1
                if status != 0 or "no sound" in verdict:
                    print("cycle %d (lead %s s): status %s, sound: %s" % (number, lead, status, verdict),
                          flush=True)
                if number % 50 == 0:
                    print("%d cycles, statuses %s" % (number, dict(statuses)), flush=True)
    finally:
        for hog in hogs:
            hog.terminate()
    print("%s prefix, %d cycles, %d busy loops beside: statuses %s; click sound %s" % (
        arch, sum(statuses.values()), args.hog, dict(statuses), dict(sounds)))
    return 0 if set(statuses) == {0} else 1


if __name__ == "__main__":
    sys.exit(main())
