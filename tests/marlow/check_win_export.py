#!/usr/bin/env python3
"""marlow export in the Windows build, run under Wine and read back with
ffprobe and ffmpeg: file names, streams, sizes, frame counts, sound, and every
picture against the channel's pictures from `marlow frames`, doubled to full
height as the export doubles them, byte for byte outside the date and time
stamp (which must hold white and black pixels).

usage: check_win_export.py WINE_RUN MARLOW_EXE MAKEKVR_EXE WORKDIR
"""
import json
import os
import shutil
import subprocess
import sys

WIDTH, STAMP_RIGHT, STAMP_BOTTOM = 640, 240, 40


def fail(msg):
    print("FAILED:", msg)
    sys.exit(1)


def run(argv, code=0):
    out = subprocess.run(["sh", WINE_RUN] + argv, cwd=WORK, capture_output=True, text=True,
                         stdin=subprocess.DEVNULL)
    if out.returncode != code:
        fail(f"{' '.join(argv)}: exit {out.returncode}, expected {code}: {out.stderr.strip()}")
    return out


def probe(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-show_streams", "-of",
                          "json", path], capture_output=True, text=True)
    if out.returncode != 0:
        fail(f"ffprobe cannot read {path}: {out.stderr.strip()}")
    return json.loads(out.stdout)["streams"]


def decode(path, args):
    out = subprocess.run(["ffmpeg", "-v", "error", "-i", path] + args + ["-"], capture_output=True)
    if out.returncode != 0:
        fail(f"ffmpeg cannot decode {path}: {out.stderr.decode().strip()}")
    return out.stdout


def doubled_top_down(bmp_path):
    """The export's picture of a frames BMP (24-bit bottom-up, rows padded to
    4 bytes): output row i is input row i/2, an odd row that is not the last
    the average of rows i/2 and i/2 + 1 (bottom-up order); returned top-down."""
    with open(bmp_path, "rb") as f:
        data = f.read()
    offset = int.from_bytes(data[10:14], "little")
    width = int.from_bytes(data[18:22], "little")
    height = int.from_bytes(data[22:26], "little", signed=True)
    stride = (width * 3 + 3) & ~3
    rows = [data[offset + y * stride:offset + y * stride + width * 3] for y in range(height)]
    out = []
    for i in range(2 * height):
        if i % 2 == 0 or i // 2 + 1 >= height:
            out.append(rows[i // 2])
        else:
            a, b = rows[i // 2], rows[i // 2 + 1]
            out.append(bytes((x + y) >> 1 for x, y in zip(a, b)))
    return list(reversed(out))


def compare(video, bmps, what):
    row = WIDTH * 3
    frame = row * 2 * 272
    if len(video) != len(bmps) * frame:
        fail(f"{what}: {len(video) // frame} frames decoded, {len(bmps)} expected")
    for k, bmp in enumerate(bmps):
        want = doubled_top_down(bmp)
        white = black = False
        for y, w in enumerate(want):
            g = video[k * frame + y * row:k * frame + (y + 1) * row]
            if y < STAMP_BOTTOM:
                if g[STAMP_RIGHT * 3:] != w[STAMP_RIGHT * 3:]:
                    fail(f"{what}: picture {k} row {y} differs beside the stamp")
                white = white or b"\xff\xff\xff" in g[:STAMP_RIGHT * 3]
                black = black or b"\x00\x00\x00" in g[:STAMP_RIGHT * 3]
            elif g != w:
                fail(f"{what}: picture {k} row {y} differs")
        if not (white and black):
            fail(f"{what}: picture {k} has no white-on-black stamp")


def main():
    run([MAKEKVR, "--channels", "3", "--seconds", "6", "--fps", "5", "--sound", "tone",
         "--height", "272", "--out", "a.kvr"])
    # Two channels with sound: raw pictures and 8-bit sound, one file each.
    r = json.loads(run([MARLOW, "export", "a.kvr", "--channels", "1,3", "--audio", "--json",
                        "--out", "raw.avi"]).stdout)
    if [f["file"] for f in r["files"]] != ["raw-CH1.avi", "raw-CH3.avi"]:
        fail(f"files {[f['file'] for f in r['files']]}")
    for f in r["files"]:
        path = os.path.join(WORK, f["file"])
        streams = probe(path)
        kinds = [s["codec_type"] for s in streams]
        if kinds != ["audio", "video"]:
            fail(f"{path}: streams {kinds}")
        a, v = streams
        if (v["codec_name"], v["width"], v["height"]) != ("rawvideo", 640, 544):
            fail(f"{path}: video {v['codec_name']} {v['width']}x{v['height']}")
        if int(v["nb_read_frames"]) != f["pictures"] or f["pictures"] < 20:
            fail(f"{path}: {v['nb_read_frames']} frames, marlow says {f['pictures']}")
        if (a["codec_name"], a["sample_rate"], a["channels"]) != ("pcm_u8", "8000", 1):
            fail(f"{path}: sound {a['codec_name']} {a['sample_rate']} {a['channels']}")
        sound = decode(path, ["-map", "0:a", "-f", "u8"])
        if abs(len(sound) / 8000 - float(v["duration"])) > 0.3:
            fail(f"{path}: {len(sound) / 8000} s of sound, {v['duration']} s of pictures")
        if len(set(sound)) < 16:
            fail(f"{path}: the sound is not the recorded tone")
        c = f["channel"]
        os.makedirs(os.path.join(WORK, f"f{c}"))
        fr = json.loads(run([MARLOW, "frames", "a.kvr", "--channel", str(c), "--at",
                             "2024-01-01 00:00:00", "--count", str(f["pictures"]), "--json",
                             "--out", f"f{c}"]).stdout)
        bmps = [os.path.join(WORK, p["file"].replace("\\", "/")) for p in fr["pictures"]]
        compare(decode(path, ["-map", "0:v", "-f", "rawvideo", "-pix_fmt", "bgr24"]), bmps,
                f"CH{c}")
        print(f"  {f['file']}: {f['pictures']} pictures equal, {len(sound)} sound bytes")
    # Without sound: one video stream at the recorder's picture rate.
    r = json.loads(run([MARLOW, "export", "a.kvr", "--channels", "2", "--json", "--out",
                        "quiet"]).stdout)
    streams = probe(os.path.join(WORK, "quiet-CH2"))
    if [s["codec_type"] for s in streams] != ["video"]:
        fail(f"quiet-CH2: streams {[s['codec_type'] for s in streams]}")
    if int(streams[0]["nb_read_frames"]) != r["files"][0]["pictures"]:
        fail("quiet-CH2: frame count")
    # What this build cannot do is refused with a clear message.
    if "no installed video compressor" not in run(
            [MARLOW, "export", "a.kvr", "--channels", "1", "--codec", "QQQQ", "--out", "x.avi"],
            2).stderr:
        fail("an unknown compressor is not named as such")
    if "avi files only" not in run(
            [MARLOW, "export", "a.kvr", "--channels", "1", "--format", "mp4", "--out", "x"],
            2).stderr:
        fail("mp4 is not refused")
    print("windows export: ok")


WINE_RUN, MARLOW, MAKEKVR, WORK = sys.argv[1:5]
shutil.rmtree(WORK, ignore_errors=True)
os.makedirs(WORK)
main()
shutil.rmtree(WORK, ignore_errors=True)
