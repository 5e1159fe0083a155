#!/usr/bin/env python3
"""Draws Main.Bmp, the background picture of the ServoDesk main window.

A calm blue-grey gradient, the product name in large geometric letters and a
faint servo motif (motor cross-section, encoder pulses and a sine trace).
Standard library only, so the build needs nothing but python3.

Usage: draw_main_bmp.py [output path]   (default: Main.Bmp)
"""
import math
import struct
import sys
from array import array

WIDTH, HEIGHT = 1024, 600

TOP_COLOUR = (226, 233, 240)
BOTTOM_COLOUR = (178, 194, 210)
TEXT_COLOUR = (38, 66, 98)
SHADOW_COLOUR = (120, 140, 162)
MOTIF_COLOUR = (58, 92, 128)


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.red = array("d", [0.0]) * (width * height)
        self.green = array("d", [0.0]) * (width * height)
        self.blue = array("d", [0.0]) * (width * height)

    def fill_gradient(self, top, bottom):
        for y in range(self.height):
            for x in range(self.width):
                # Mostly vertical, with a slight diagonal drift for depth.
                t = min(1.0, max(0.0, 0.85 * y / (self.height - 1) + 0.15 * x / (self.width - 1)))
                i = y * self.width + x
                self.red[i] = top[0] + (bottom[0] - top[0]) * t
                self.green[i] = top[1] + (bottom[1] - top[1]) * t
                self.blue[i] = top[2] + (bottom[2] - top[2]) * t

    def composite(self, mask, colour, opacity):
        for i, coverage in enumerate(mask):
            if coverage > 0.0:
                a = coverage * opacity
                self.red[i] += (colour[0] - self.red[i]) * a
                self.green[i] += (colour[1] - self.green[i]) * a
                self.blue[i] += (colour[2] - self.blue[i]) * a

    def write_bmp(self, path):
        row_size = (self.width * 3 + 3) & ~3
        image_size = row_size * self.height
        header = struct.pack("<2sIHHI", b"BM", 54 + image_size, 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, image_size,
                           2835, 2835, 0, 0)
        pixels = bytearray(image_size)
        for y in range(self.height):
            row = (self.height - 1 - y) * row_size  # BMP rows run bottom-up
            for x in range(self.width):
                i = y * self.width + x
                p = row + 3 * x
                pixels[p] = clamp255(self.blue[i])
                pixels[p + 1] = clamp255(self.green[i])
                pixels[p + 2] = clamp255(self.red[i])
        with open(path, "wb") as f:
            f.write(header + info + pixels)


def clamp255(value):
    return max(0, min(255, int(round(value))))


class Mask:
    """Coverage 0..1 per pixel; overlapping strokes take the maximum so that
    joints of a polyline are not painted twice."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.values = array("d", [0.0]) * (width * height)

    def _put(self, x, y, coverage):
        i = y * self.width + x
        if coverage > self.values[i]:
            self.values[i] = coverage

    def segment(self, p0, p1, half_width):
        (x0, y0), (x1, y1) = p0, p1
        left = max(0, int(min(x0, x1) - half_width - 1))
        right = min(self.width - 1, int(max(x0, x1) + half_width + 1))
        top = max(0, int(min(y0, y1) - half_width - 1))
        bottom = min(self.height - 1, int(max(y0, y1) + half_width + 1))
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy
        for y in range(top, bottom + 1):
            py = y + 0.5
            for x in range(left, right + 1):
                px = x + 0.5
                t = 0.0 if length2 == 0 else ((px - x0) * dx + (py - y0) * dy) / length2
                t = min(1.0, max(0.0, t))
                d = math.hypot(px - (x0 + t * dx), py - (y0 + t * dy))
                coverage = half_width + 0.5 - d
                if coverage > 0.0:
                    self._put(x, y, min(1.0, coverage))

    def polyline(self, points, half_width):
        for p0, p1 in zip(points, points[1:]):
            self.segment(p0, p1, half_width)

    def ring(self, cx, cy, radius, half_width):
        reach = radius + half_width + 1
        for y in range(max(0, int(cy - reach)), min(self.height, int(cy + reach) + 1)):
            for x in range(max(0, int(cx - reach)), min(self.width, int(cx + reach) + 1)):
                d = abs(math.hypot(x + 0.5 - cx, y + 0.5 - cy) - radius)
                coverage = half_width + 0.5 - d
                if coverage > 0.0:
                    self._put(x, y, min(1.0, coverage))


def arc(cx, cy, rx, ry, start_deg, end_deg, steps=28):
    """Points of an elliptic arc in glyph units (y up), angles in degrees."""
    points = []
    for k in range(steps + 1):
        a = math.radians(start_deg + (end_deg - start_deg) * k / steps)
        points.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
    return points


X_HEIGHT = 0.62

# Each glyph: advance width and strokes (polylines) in units of the cap height,
# origin at the baseline, y pointing up.
def glyph_s(height, width):
    r = height / 4
    upper = arc(width / 2, height - r, width / 2, r, 15, 270)
    lower = arc(width / 2, r, width / 2, r, 90, -165)
    return [upper + lower]


GLYPHS = {
    "S": (0.62, glyph_s(1.0, 0.62)),
    "D": (0.66, [[(0.0, 0.0), (0.0, 1.0), (0.28, 1.0)] + arc(0.28, 0.5, 0.38, 0.5, 90, -90)
                 + [(0.0, 0.0)]]),
    "e": (0.58, [[(0.02, X_HEIGHT / 2), (0.56, X_HEIGHT / 2)]
                 + arc(0.29, X_HEIGHT / 2, 0.27, X_HEIGHT / 2, 0, 315)]),
    "r": (0.40, [[(0.0, 0.0), (0.0, X_HEIGHT)],
                 arc(0.36, 0.0, 0.36, X_HEIGHT, 180, 90, 16)[4:] + [(0.40, X_HEIGHT)]]),
    "v": (0.56, [[(0.0, X_HEIGHT), (0.28, 0.0), (0.56, X_HEIGHT)]]),
    "o": (0.60, [arc(0.30, X_HEIGHT / 2, 0.30, X_HEIGHT / 2, 0, 360, 40)]),
    "s": (0.46, glyph_s(X_HEIGHT, 0.46)),
    "k": (0.50, [[(0.0, 0.0), (0.0, 1.0)], [(0.48, X_HEIGHT), (0.02, 0.2)],
                 [(0.17, 0.34), (0.50, 0.0)]]),
}


def draw_text(mask, text, left, baseline, cap_height, half_width, tracking):
    x = left
    for ch in text:
        advance, strokes = GLYPHS[ch]
        for stroke in strokes:
            points = [(x + u * cap_height, baseline - v * cap_height) for u, v in stroke]
            mask.polyline(points, half_width)
        x += (advance + tracking) * cap_height


def text_width(text, cap_height, tracking):
    return sum((GLYPHS[ch][0] + tracking) * cap_height for ch in text) - tracking * cap_height


def polar(cx, cy, radius, angle):
    return (cx + radius * math.cos(angle), cy + radius * math.sin(angle))


def draw_motor(mask, cx, cy, radius):
    """Cross-section of a servo motor: stator, rotor with magnets, shaft."""
    mask.ring(cx, cy, radius, 3.0)
    mask.ring(cx, cy, radius * 0.82, 1.5)
    mask.ring(cx, cy, radius * 0.52, 2.5)
    mask.ring(cx, cy, radius * 0.14, 2.5)
    for k in range(12):  # stator teeth
        a = 2 * math.pi * k / 12
        mask.segment(polar(cx, cy, radius * 0.60, a), polar(cx, cy, radius * 0.82, a), 2.0)
    for k in range(4):  # rotor magnets
        a = 2 * math.pi * k / 4 + math.pi / 4
        inner, outer = radius * 0.22, radius * 0.46
        corners = [polar(cx, cy, inner, a - 0.5), polar(cx, cy, inner, a + 0.5),
                   polar(cx, cy, outer, a + 0.3), polar(cx, cy, outer, a - 0.3)]
        mask.polyline(corners + corners[:1], 1.5)


def draw_signals(mask, left, right, base):
    """A speed trace (sine) above an encoder pulse train."""
    sine = [(x, base - 34 - 26 * math.sin((x - left) / 62.0)) for x in range(left, right + 1, 4)]
    mask.polyline(sine, 1.6)
    pulses, x, high = [], left, False
    while x <= right:
        y = base + (20 if not high else 0)
        pulses.append((x, y))
        x += 18
        pulses.append((min(x, right), y))
        high = not high
    mask.polyline(pulses, 1.2)


def draw(path):
    canvas = Canvas(WIDTH, HEIGHT)
    canvas.fill_gradient(TOP_COLOUR, BOTTOM_COLOUR)

    motif = Mask(WIDTH, HEIGHT)
    draw_motor(motif, 800, 250, 165)
    draw_signals(motif, 60, WIDTH - 60, 500)
    canvas.composite(motif.values, MOTIF_COLOUR, 0.16)

    cap, tracking, name = 128.0, 0.16, "ServoDesk"
    left = (WIDTH - text_width(name, cap, tracking)) / 2
    baseline = 330
    shadow = Mask(WIDTH, HEIGHT)
    draw_text(shadow, name, left + 5, baseline + 5, cap, 9.0, tracking)
    canvas.composite(shadow.values, SHADOW_COLOUR, 0.35)
    text = Mask(WIDTH, HEIGHT)
    draw_text(text, name, left, baseline, cap, 8.0, tracking)
    canvas.composite(text.values, TEXT_COLOUR, 1.0)

    rule = Mask(WIDTH, HEIGHT)
    rule.segment((left, baseline + 34), (left + text_width(name, cap, tracking), baseline + 34), 1.2)
    canvas.composite(rule.values, TEXT_COLOUR, 0.45)

    canvas.write_bmp(path)


if __name__ == "__main__":
    draw(sys.argv[1] if len(sys.argv) > 1 else "Main.Bmp")
