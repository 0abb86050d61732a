#!/usr/bin/env python3
"""Runs one export case of export_probe under Wine and checks every file it
wrote with ffprobe and ffmpeg: stream count, codec, size, frame count, rate,
sound format and bytes, and the decoded pictures against our own converted,
doubled pictures byte for byte outside the stamp box, with white and black
stamp pixels inside it.

usage: check_exports.py WINE_RUN PROBE CASE WORKDIR [--keep]
"""
import json
import os
import shutil
import subprocess
import sys
from fractions import Fraction


def fail(msg):
    print("FAILED:", msg)
    sys.exit(1)


def probe(path):
    out = subprocess.run(
        ["ffprobe", "-v", "error", "-count_frames", "-show_streams", "-of", "json", path],
        capture_output=True, text=True)
    if out.returncode != 0:
        fail(f"ffprobe cannot read {path}: {out.stderr.strip()}")
    return json.loads(out.stdout)["streams"]


def decode(path, args):
    out = subprocess.run(["ffmpeg", "-v", "error", "-i", path] + args + ["-"],
                         capture_output=True)
    if out.returncode != 0:
        fail(f"ffmpeg cannot decode {path}: {out.stderr.decode().strip()}")
    return out.stdout


def summary(path, streams):
    parts = []
    for s in streams:
        if s["codec_type"] == "video":
            parts.append(f"video {s['codec_name']} {s['width']}x{s['height']} "
                         f"{s['nb_read_frames']} frames time base {s['time_base']}")
        else:
            parts.append(f"audio {s['codec_name']} {s['sample_rate']} Hz "
                         f"{s.get('duration', '?')} s")
    print(f"  {os.path.basename(path)} ({os.path.getsize(path)} bytes): " + "; ".join(parts))


def compare_frames(got, want, width, height, box, what):
    frame = width * height * 3
    if len(got) != len(want):
        fail(f"{what}: decoded {len(got) // frame} frames, expected {len(want) // frame}")
    row = width * 3
    for k in range(len(want) // frame):
        g = memoryview(got)[k * frame:(k + 1) * frame]
        w = memoryview(want)[k * frame:(k + 1) * frame]
        if box is None:
            if g != w:
                fail(f"{what}: frame {k} differs")
            continue
        left, top, right, bottom = box
        white = black = False
        for y in range(height):
            gr, wr = g[y * row:(y + 1) * row], w[y * row:(y + 1) * row]
            if top <= y < bottom:
                if gr[:left * 3] != wr[:left * 3] or gr[right * 3:] != wr[right * 3:]:
                    fail(f"{what}: frame {k} row {y} differs beside the stamp")
                inside = bytes(gr[left * 3:right * 3])
                white = white or b"\xff\xff\xff" in inside
                black = black or b"\x00\x00\x00" in inside
            elif gr != wr:
                fail(f"{what}: frame {k} row {y} differs")
        if not (white and black):
            fail(f"{what}: frame {k} has no white-on-black stamp")


def check_channel(entry):
    files = entry["files"]
    video = bytearray()
    sound = bytearray()
    frames = 0
    for path in files:
        size = os.path.getsize(path)
        if size >= entry["limit"]:
            fail(f"{path}: {size} bytes, not below the limit {entry['limit']}")
        streams = probe(path)
        summary(path, streams)
        kinds = [s["codec_type"] for s in streams]
        want_kinds = (["audio"] if entry["audio"] else []) + ["video"]
        if kinds != want_kinds:
            fail(f"{path}: streams {kinds}, expected {want_kinds}")
        v = streams[-1]
        if (v["codec_name"], v["width"], v["height"]) != ("rawvideo", entry["width"],
                                                          entry["height"]):
            fail(f"{path}: video {v['codec_name']} {v['width']}x{v['height']}")
        if Fraction(v["time_base"]) != Fraction(entry["scale"], entry["rate"]):
            fail(f"{path}: time base {v['time_base']}, expected {entry['scale']}/{entry['rate']}")
        frames += int(v["nb_read_frames"])
        if entry["audio"]:
            a = streams[0]
            if a["codec_name"] != entry["audio"]["codec"] or \
               int(a["sample_rate"]) != entry["audio"]["rate"] or int(a["channels"]) != 1:
                fail(f"{path}: audio {a['codec_name']} {a['sample_rate']} {a['channels']}")
            sound += decode(path, ["-map", "0:a", "-c", "copy", "-f", "data"])
        if entry["expect"]:
            video += decode(path, ["-map", "0:v", "-f", "rawvideo", "-pix_fmt", "bgr24"])
    if frames != entry["frames"]:
        fail(f"channel {entry['channel']}: {frames} frames, expected {entry['frames']}")
    if len(files) > 1:
        print(f"  channel {entry['channel']}: {len(files)} parts, {frames} frames in all")
    if entry["expect"]:
        with open(entry["expect"], "rb") as f:
            want = f.read()
        compare_frames(video, want, entry["width"], entry["height"], entry["box"],
                       f"channel {entry['channel']}")
    if entry["audio"] and entry["audio"]["pcm"]:
        with open(entry["audio"]["pcm"], "rb") as f:
            if bytes(sound) != f.read():
                fail(f"channel {entry['channel']}: sound bytes differ")


def main():
    wine_run, exe, case, work = sys.argv[1:5]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    if case == "full_disk":
        os.symlink("/dev/full", os.path.join(work, "out-CH2.avi"))
    rc = subprocess.run(["sh", wine_run, exe, case, work], stdin=subprocess.DEVNULL).returncode
    with open(os.path.join(work, "manifest.jsonl")) as f:
        entries = [json.loads(line) for line in f if line.strip()]
    for e in entries:
        if "check" in e and not e["ok"]:
            fail(f"probe check: {e['check']}")
    if rc != 0:
        fail(f"export_probe {case} ended with {rc}")
    print(f"case {case}:")
    channels = 0
    for e in entries:
        if "whole" in e:
            streams = probe(e["whole"])
            summary(e["whole"], streams)
            if int(streams[-1]["nb_read_frames"]) != e["frames"]:
                fail(f"{e['whole']}: {streams[-1]['nb_read_frames']} frames")
        elif "files" in e:
            check_channel(e)
            channels += 1
    print(f"case {case}: {channels} channels checked")
    if "--keep" not in sys.argv:
        shutil.rmtree(work, ignore_errors=True)


main()
