#!/usr/bin/env python3
"""Generates the seven sound cues in resources/cues/ (RSTART.wav ... RAIR.wav).

Usage:
  tools/make_cues.py            write the cues into resources/cues/
  tools/make_cues.py --out DIR  write them into DIR instead
  tools/make_cues.py --check    regenerate into a temporary folder and fail
                                unless the committed files are byte-identical,
                                and fail unless the program's name table
                                (app/sound.cpp) and the resource script
                                (resources/huevane.rc) list the cues of CUES
                                in its order

Everything is synthesised here with the standard library; noise comes from a
fixed-seed generator, so two runs give the same bytes. The two compressed cues
(Microsoft ADPCM and G.711 mu-law) are encoded by sox, run in repeatable mode
without dither; this script then rebuilds their RIFF layout itself, so the
chunk list does not depend on what a given sox version chooses to write.

Each file is read back and checked against CUES before the script succeeds.
"""

import argparse
import math
import pathlib
import re
import shutil
import struct
import subprocess
import sys
import tempfile

from fresh_build import matches_fresh_build

PCM, MS_ADPCM, MU_LAW = 1, 2, 7

# name, encoding, channels, rate, bits, data bytes, samples per channel, in
# the order of the program's cue numbers. The program plays these by name;
# the sizes are fixed and checked below.
CUES = [
    ("RSTART", PCM, 1, 44100, 16, 30616, 15308),
    ("RCLICK", PCM, 1, 44100, 16, 1216, 608),
    ("RTICK", MS_ADPCM, 2, 22050, 4, 1024, 679),
    ("RPOP", PCM, 1, 44100, 16, 2622, 1311),
    ("RSTRUM", MU_LAW, 1, 22050, 8, 4150, 4150),
    ("REXIT", PCM, 1, 44100, 16, 176402, 88201),
    ("RAIR", PCM, 1, 44100, 16, 52524, 26262),
]

DESCRIPTIONS = {
    "RTICK": "Huevane tick: a short wooden tick",
    "RSTRUM": "Huevane strum: a soft plucked chord",
}

GENERATOR = "Huevane tools/make_cues.py"

# The usual Microsoft ADPCM block size at 22.05 kHz stereo, and the seven
# predictor pairs that every such file carries.
ADPCM_BLOCK = 1024
ADPCM_COEFFICIENTS = [(256, 0), (512, -256), (0, 0), (192, 64), (240, 0), (460, -208), (392, -232)]


# --------------------------------------------------------------------------
# Building blocks. Signals are lists of floats, full scale = 1.0.

class Noise:
    """xorshift32: white noise that is the same on every machine and Python."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF or 1

    def next(self):
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        self.state = x
        return x / 2147483648.0 - 1.0


def rise(i, length):
    """0 at i = 0, 1 from i = length on, with zero slope at both ends."""
    if i >= length:
        return 1.0
    return math.sin(0.5 * math.pi * i / length) ** 2


def shape_ends(signal, attack, release):
    """Starts and ends the signal at exactly zero, so playback never clicks."""
    n = len(signal)
    return [s * rise(i, attack) * rise(n - 1 - i, release) for i, s in enumerate(signal)]


def normalise(signal, peak_dbfs):
    peak = max(abs(s) for s in signal)
    gain = 10 ** (peak_dbfs / 20) / peak
    return [s * gain for s in signal]


def damped_sine(n, rate, freq, tau, start=0):
    """A partial that starts at zero phase at sample `start` and decays with time constant tau (s)."""
    out = [0.0] * n
    w = 2 * math.pi * freq / rate
    for i in range(start, n):
        k = i - start
        out[i] = math.sin(w * k) * math.exp(-k / (tau * rate))
    return out


def mix(*weighted):
    n = len(weighted[0][1])
    return [sum(w * sig[i] for w, sig in weighted) for i in range(n)]


def to_int16(signal):
    out = []
    for s in signal:
        v = math.floor(s * 32768 + 0.5)
        if not -32767 < v < 32767:
            raise SystemExit(f"make_cues: sample {s} would clip")
        out.append(v)
    return out


# --------------------------------------------------------------------------
# The cues. Each returns the samples (a list per channel) at the table's rate
# and length.

def cue_start(n, rate):
    """A rising three-note chime (C5, G5, C6): bright enough to say "on", soft attack."""
    partials = [(1.0, 1.0, 1.0), (2.0, 0.28, 0.45), (3.0, 0.09, 0.3), (4.07, 0.035, 0.2)]
    notes = [(0.000, 523.25, 0.75), (0.055, 783.99, 0.85), (0.110, 1046.50, 1.0)]
    out = [0.0] * n
    for onset, freq, level in notes:
        first = round(onset * rate)
        attack = round(0.003 * rate)
        for ratio, amp, tau_scale in partials:
            tau = 0.16 * tau_scale
            w = 2 * math.pi * freq * ratio / rate
            for i in range(first, n):
                k = i - first
                out[i] += level * amp * rise(k, attack) * math.sin(w * k) * math.exp(-k / (tau * rate))
    return [normalise(shape_ends(out, 1, round(0.08 * rate)), -8.0)]


def cue_click(n, rate):
    """A soft tap: a short mid resonance with a little body, no sharp edge."""
    body = damped_sine(n, rate, 420.0, 0.0025)
    tone = damped_sine(n, rate, 1500.0, 0.0012)
    air = damped_sine(n, rate, 3900.0, 0.0005)
    out = mix((0.35, body), (1.0, tone), (0.3, air))
    return [normalise(shape_ends(out, round(0.0002 * rate), round(0.003 * rate)), -12.0)]


def cue_tick(n, rate):
    """A woodblock tick; the right channel arrives 0.27 ms later for a little width."""
    channels = []
    for seed, delay in ((0x7E1C, 0), (0x51A5, 6)):
        noise = Noise(seed)
        burst = [0.0] * n
        smooth = 0.0
        for i in range(delay, n):
            k = i - delay
            smooth += 0.5 * (noise.next() - smooth)
            burst[i] = smooth * math.exp(-k / (0.0006 * rate))
        modes = mix((1.0, damped_sine(n, rate, 1850.0, 0.004, delay)),
                    (0.5, damped_sine(n, rate, 3050.0, 0.0025, delay)),
                    (0.18, damped_sine(n, rate, 5200.0, 0.0012, delay)),
                    (0.3, burst))
        attack = round(0.00025 * rate)
        channels.append([s * rise(max(0, i - delay), attack) if i >= delay else 0.0
                         for i, s in enumerate(modes)])
    scale = 10 ** (-10.0 / 20) / max(abs(s) for ch in channels for s in ch)
    release = round(0.005 * rate)
    return [[s * scale for s in shape_ends(ch, 1, release)] for ch in channels]


def cue_pop(n, rate):
    """A bubble: a sine gliding up from 400 to 1300 Hz while it dies away."""
    out = [0.0] * n
    phase = 0.0
    glide = 0.025 * rate
    for i in range(n):
        freq = 400.0 * (1300.0 / 400.0) ** min(1.0, i / glide)
        phase += 2 * math.pi * freq / rate
        out[i] = (math.sin(phase) + 0.15 * math.sin(2 * phase)) * math.exp(-i / (0.007 * rate))
    return [normalise(shape_ends(out, round(0.0008 * rate), round(0.003 * rate)), -10.0)]


def cue_strum(n, rate):
    """A soft downward strum of G3 D4 G4 B4, heard after every redraw.

    It is heard many times a second while a bar is dragged, so it is kept
    mellow: a soft pick (upper partials damped and rolled off), a 2 ms onset
    per string and nothing above 5 kHz.
    """
    strings = [(196.00, 1.0), (293.66, 0.8), (392.00, 0.65), (493.88, 0.5)]
    spacing = 0.008
    pick = 0.27  # where along the string it is plucked: shapes the partial mix
    out = [0.0] * n
    for index, (freq, level) in enumerate(strings):
        first = round(index * spacing * rate)
        attack = round(0.002 * rate)
        k = 1
        while k * freq < 5000.0:
            f = k * freq
            amp = math.sin(k * math.pi * pick) / (k * k) / math.sqrt(1 + (f / 2200.0) ** 4)
            tau = 0.45 / (1 + f / 500.0)
            w = 2 * math.pi * f / rate
            for i in range(first, n):
                j = i - first
                out[i] += level * amp * rise(j, attack) * math.sin(w * j) * math.exp(-j / (tau * rate))
            k += 1
    return [normalise(shape_ends(out, 1, round(0.06 * rate)), -10.0)]


def cue_exit(n, rate):
    """Two seconds of a warm A4 that fades to nothing.

    A quiet second fundamental 1.3 Hz above the first beats gently against it,
    so the long tone shimmers a little instead of sounding flat.
    """
    partials = [(440.0, 1.0, 1.2), (441.3, 0.15, 1.2), (880.0, 0.22, 0.6),
                (1320.0, 0.07, 0.35), (1760.0, 0.025, 0.25)]
    out = [0.0] * n
    for freq, amp, tau in partials:
        w = 2 * math.pi * freq / rate
        for i in range(n):
            out[i] += amp * math.sin(w * i) * math.exp(-i / (tau * rate))
    return [normalise(shape_ends(out, round(0.012 * rate), round(1.0 * rate)), -9.0)]


def cue_air(n, rate):
    """A breath of air: noise through a sweeping band-pass, up and back down.

    Two band-pass stages in series keep the hiss above the band down, so the
    whoosh stays soft rather than sounding like static.
    """
    noise = Noise(0xA12)
    stages = [[0.0, 0.0], [0.0, 0.0]]  # low and band state of each stage
    out = [0.0] * n
    swell = 0.4 * n
    for i in range(n):
        x = i / (n - 1)
        centre = 500.0 * (2400.0 / 500.0) ** (x / 0.55) if x < 0.55 else \
            2400.0 * (900.0 / 2400.0) ** ((x - 0.55) / 0.45)
        f = 2 * math.sin(math.pi * centre / rate)
        signal = noise.next()
        for state in stages:
            low, band = state
            high = signal - low - band  # damping 1 (Q = 1): a wide, breathy band
            band += f * high
            low += f * band
            state[0], state[1] = low, band
            signal = band
        level = math.sin(0.5 * math.pi * i / swell) ** 2 if i < swell else \
            math.cos(0.5 * math.pi * (i - swell) / (n - 1 - swell)) ** 2
        out[i] = signal * level
    return [normalise(shape_ends(out, 1, 1), -10.0)]


SYNTHS = {
    "RSTART": cue_start, "RCLICK": cue_click, "RTICK": cue_tick, "RPOP": cue_pop,
    "RSTRUM": cue_strum, "REXIT": cue_exit, "RAIR": cue_air,
}


# --------------------------------------------------------------------------
# RIFF WAVE writing, field by field in little-endian.

def chunk(cid, payload):
    pad = b"\0" if len(payload) % 2 else b""
    return cid + struct.pack("<I", len(payload)) + payload + pad


def riff(chunks):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def interleave(channels):
    return [s for frame in zip(*channels) for s in frame]


def pcm16_file(channels, rate):
    samples = interleave(channels)
    count = len(channels)
    fmt = struct.pack("<HHIIHH", PCM, count, rate, rate * count * 2, count * 2, 16)
    data = struct.pack(f"<{len(samples)}h", *samples)
    return riff([chunk(b"fmt ", fmt), chunk(b"data", data)])


def info_list(name):
    def text(cid, value):
        return chunk(cid, value.encode("ascii") + b"\0")
    return chunk(b"LIST", b"INFO" + text(b"INAM", name) + text(b"ICMT", DESCRIPTIONS[name])
                 + text(b"ISFT", GENERATOR))


def adpcm_samples_per_block(channels):
    return (ADPCM_BLOCK - 7 * channels) * 2 // channels + 2


def expected_fmt(encoding, channels, rate):
    """The format chunk payload the compressed cues must carry."""
    if encoding == MU_LAW:
        return struct.pack("<HHIIHHH", MU_LAW, channels, rate, rate * channels, channels, 8, 0)
    per_block = adpcm_samples_per_block(channels)
    extra = struct.pack("<HH", per_block, len(ADPCM_COEFFICIENTS)) + b"".join(
        struct.pack("<hh", *pair) for pair in ADPCM_COEFFICIENTS)
    return struct.pack("<HHIIHHH", MS_ADPCM, channels, rate, rate * ADPCM_BLOCK // per_block,
                       ADPCM_BLOCK, 4, len(extra)) + extra


def read_chunks(data, what):
    """The (id, payload) list of a RIFF WAVE file; stops the script on damage."""
    if len(data) < 12 or data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise SystemExit(f"make_cues: {what}: not a RIFF WAVE file")
    if struct.unpack_from("<I", data, 4)[0] != len(data) - 8:
        raise SystemExit(f"make_cues: {what}: RIFF size field does not match the file size")
    chunks, at = [], 12
    while at < len(data):
        if at + 8 > len(data):
            raise SystemExit(f"make_cues: {what}: truncated chunk header at {at}")
        cid, size = data[at:at + 4], struct.unpack_from("<I", data, at + 4)[0]
        if at + 8 + size > len(data):
            raise SystemExit(f"make_cues: {what}: chunk {cid!r} runs past the end")
        chunks.append((cid, data[at + 8:at + 8 + size]))
        at += 8 + size + (size & 1)
    return chunks


def encode_with_sox(name, encoding, channels, rate, work):
    """Encodes 16-bit PCM with sox and rebuilds the file as fmt, fact, LIST, data."""
    samples = len(channels[0])
    source = work / f"{name}-source.wav"
    encoded = work / f"{name}-sox.wav"
    source.write_bytes(pcm16_file(channels, rate))
    sox = shutil.which("sox")
    if sox is None:
        raise SystemExit("make_cues: sox is needed to encode the ADPCM and mu-law cues")
    option = "ms-adpcm" if encoding == MS_ADPCM else "mu-law"
    # -R: repeatable (fixed seeds, no time stamps); -D: no dither, a plain quantiser.
    subprocess.run([sox, "-R", "-D", "-V1", str(source), "-e", option, str(encoded)], check=True)
    found = dict(read_chunks(encoded.read_bytes(), f"sox output for {name}"))
    fmt = expected_fmt(encoding, len(channels), rate)
    if found.get(b"fmt ") != fmt:
        raise SystemExit(f"make_cues: sox wrote an unexpected format chunk for {name}: "
                         f"{found.get(b'fmt ', b'').hex()}")
    if found.get(b"fact") != struct.pack("<I", samples):
        raise SystemExit(f"make_cues: sox's sample count for {name} is not {samples}")
    return riff([chunk(b"fmt ", fmt), chunk(b"fact", struct.pack("<I", samples)),
                 info_list(name), chunk(b"data", found[b"data"])])


def level_report(channels):
    flat = [s for ch in channels for s in ch]
    peak = max(abs(s) for s in flat)
    rms = math.sqrt(sum(s * s for s in flat) / len(flat))
    return f"peak {20 * math.log10(peak / 32768):6.1f} dBFS, rms {20 * math.log10(rms / 32768):6.1f} dBFS"


def verify(path, row):
    """Reads a written cue back and stops the script if it strays from its row in CUES."""
    name, encoding, channels, rate, bits, data_bytes, samples = row
    chunks = read_chunks(path.read_bytes(), path.name)
    ids = [cid for cid, _ in chunks]
    wanted = [b"fmt ", b"data"] if encoding == PCM else [b"fmt ", b"fact", b"LIST", b"data"]
    problems = []
    if ids != wanted:
        problems.append(f"chunks {ids}, wanted {wanted}")
    found = dict(chunks)
    fmt = found.get(b"fmt ", b"")
    if len(fmt) < 16:
        problems.append("format chunk too short")
    else:
        tag, count, hz, byte_rate, align, depth = struct.unpack_from("<HHIIHH", fmt)
        if (tag, count, hz, depth) != (encoding, channels, rate, bits):
            problems.append(f"format {(tag, count, hz, depth)}, wanted {(encoding, channels, rate, bits)}")
        if encoding == PCM and (len(fmt) != 16 or align != channels * 2 or byte_rate != rate * align):
            problems.append("PCM format chunk is not the plain 16-byte form")
        if encoding != PCM and fmt != expected_fmt(encoding, channels, rate):
            problems.append("compressed format chunk differs from the standard one")
    data = found.get(b"data", b"")
    if len(data) != data_bytes:
        problems.append(f"{len(data)} data bytes, wanted {data_bytes}")
    count = len(data) // 2 if encoding == PCM else struct.unpack("<I", found.get(b"fact", b"\0" * 4))[0]
    if count != samples:
        problems.append(f"{count} samples, wanted {samples}")
    if problems:
        raise SystemExit(f"make_cues: {path}: " + "; ".join(problems))


def generate(out_dir, report=True):
    out_dir.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="huevane-cues-") as tmp:
        work = pathlib.Path(tmp)
        for row in CUES:
            name, encoding, channels, rate, _, _, samples = row
            signal = SYNTHS[name](samples, rate)
            if len(signal) != channels or any(len(ch) != samples for ch in signal):
                raise SystemExit(f"make_cues: {name} synthesised the wrong shape")
            pcm = [to_int16(ch) for ch in signal]
            data = pcm16_file(pcm, rate) if encoding == PCM else encode_with_sox(name, encoding, pcm, rate, work)
            path = out_dir / f"{name}.wav"
            path.write_bytes(data)
            verify(path, row)
            if report:
                print(f"{path}: {len(data)} bytes, {level_report(pcm)}")


def check_tables(repo):
    """The program plays a cue by the name its number has in app/sound.cpp,
    and resources/huevane.rc embeds each cue file under its name: both must
    list the cues of CUES in its order. Returns the exit status."""
    wanted = [row[0] for row in CUES]
    program = re.search(r"kNames\[\] = \{([^}]*)\}", (repo / "app" / "sound.cpp").read_text())
    tables = {
        "app/sound.cpp": re.findall(r'"(\w+)"', program.group(1)) if program else [],
        "resources/huevane.rc": [
            name for name, file in re.findall(r'^(\w+)\s+WAVE\s+"cues/([^"]*)"',
                                              (repo / "resources" / "huevane.rc").read_text(), re.M)
            if file == f"{name}.wav"],
    }
    wrong = [where for where, names in tables.items() if names != wanted]
    for where in wrong:
        print(f"make_cues: {where} does not list the cues {wanted} in that order", file=sys.stderr)
    return 1 if wrong else 0


def main():
    repo = pathlib.Path(__file__).resolve().parent.parent
    committed = repo / "resources" / "cues"
    parser = argparse.ArgumentParser(description="Generate the Huevane sound cues.")
    parser.add_argument("--out", type=pathlib.Path, default=committed, help="output folder")
    parser.add_argument("--check", action="store_true",
                        help="regenerate into a temporary folder and compare with the committed cues")
    args = parser.parse_args()
    if not args.check:
        generate(args.out)
        return 0
    if check_tables(repo) != 0:
        return 1
    return matches_fresh_build("make_cues", "cues", committed, [f"{row[0]}.wav" for row in CUES],
                               lambda folder: generate(folder, report=False))


if __name__ == "__main__":
    sys.exit(main())
