# tests/e2e/sound_sink.py: captures what a Wine process plays, through an ALSA file sink, one file per stream.
"""ALSA's default device becomes a file plugin whose output goes to a script; the script stores each opened
stream under a sortable name and renames it to *.raw once the stream is closed. Wine must use its ALSA driver
(the template prefix sets HKCU\\Software\\Wine\\Drivers Audio=alsa); the process to observe gets `env`."""

import os
import time
import wave

import harness

CAPTURE_SCRIPT = """#!/bin/sh
# $1 rate, $2 channels, $3 bits per sample; the stream arrives on standard input.
name="{dir}/$(date +%s%N)-$$-$1-$2-$3"
cat > "$name.part"
mv "$name.part" "$name.raw"
"""

ASOUNDRC = """pcm.!default {{
    type file
    slave.pcm "null"
    format "raw"
    file "|{script} %r %c %b"
}}
"""


def audible(data):
    """Samples without their trailing silence. When a sound's data runs out before its player stops the stream,
    as happens under load, Wine's ALSA driver writes a period of silence after it; the capture gets that too."""
    return data.rstrip(b"\0")


def wav_data(path):
    """The sample bytes of a PCM wave file (its data chunk), as audible() gives them."""
    with wave.open(path, "rb") as w:
        return audible(w.readframes(w.getnframes()))


class SoundSink:
    def __init__(self, base_dir):
        self.dir = os.path.join(base_dir, "sound")
        config = os.path.join(base_dir, "sound-config")
        os.makedirs(self.dir)
        os.makedirs(os.path.join(config, "alsa"))
        script = os.path.join(config, "capture.sh")
        with open(script, "w") as f:
            f.write(CAPTURE_SCRIPT.format(dir=self.dir))
        os.chmod(script, 0o755)
        with open(os.path.join(config, "alsa", "asoundrc"), "w") as f:
            f.write(ASOUNDRC.format(script=script))
        self.env = {"XDG_CONFIG_HOME": config}
        self.seen = 0

    def _closed(self):
        """Every finished stream with data, oldest first, as audible() gives it (opening the device without
        playing leaves none)."""
        streams = []
        for name in sorted(os.listdir(self.dir)):
            if name.endswith(".raw"):
                with open(os.path.join(self.dir, name), "rb") as f:
                    data = f.read()
                if data:
                    streams.append(audible(data))
        return streams

    def playing(self):
        """Whether a stream is open: a sound is playing."""
        return any(n.endswith(".part") for n in os.listdir(self.dir))

    def new_streams(self, count, timeout=20, settle=1.0):
        """Waits for `count` streams after those already taken, watches `settle` seconds more for a stray extra
        stream and waits for every stream opened by then to close; gives every new stream (also any beyond
        count, which a caller's assertion then reports)."""
        harness.wait_for(lambda: not self.playing() and len(self._closed()) >= self.seen + count, timeout,
                         what="%d new sound stream(s)" % count)
        time.sleep(settle)
        # A stream still open now would otherwise be taken by the next call, as if a later sound had made it.
        harness.wait_for(lambda: not self.playing(), timeout, what="the open sound streams to close")
        streams = self._closed()[self.seen:]
        self.seen += len(streams)
        return streams
