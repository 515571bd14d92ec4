#!/usr/bin/env python3
"""Draws every picture the installer window embeds into resources/images/.

Shapes are drawn from signed distance functions with one pixel of analytic anti-aliasing, so the
sprites stay crisp at their native size. PNG files are written with the standard library (zlib);
the wordmark's letters are rasterised by ImageMagick ("convert", Liberation Sans) into a grey
mask, and the three photos are encoded to JPEG by ImageMagick as well. The output is
deterministic for a given ImageMagick, zlib and zopflipng (Debian zopfli, which recompresses the PNG
files losslessly): run it again after changing a design and commit
the result. Usage: make_assets.py [output directory]
"""
import math
import pathlib
import struct
import subprocess
import sys
import zlib

ROOT = pathlib.Path(__file__).resolve().parent.parent
OUT = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "resources" / "images"

# Palette.
WHITE = (255, 255, 255)
INK = (46, 52, 64)
AMBER = (255, 204, 51)
AMBER_HOT = (255, 217, 102)
AMBER_PRESSED = (235, 182, 30)
NIGHT = (18, 38, 82)
TEAL = (22, 120, 140)


class Canvas:
    """Straight-alpha RGBA image with float channels in 0..1."""

    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.width, self.height = width, height
        r, g, b, a = fill
        self.px = [[r / 255, g / 255, b / 255, a] for _ in range(width * height)]

    def blend(self, x, y, rgb, alpha):
        if alpha <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        p = self.px[y * self.width + x]
        src = [c / 255 for c in rgb]
        out_a = alpha + p[3] * (1 - alpha)
        if out_a <= 0:
            return
        for i in range(3):
            p[i] = (src[i] * alpha + p[i] * p[3] * (1 - alpha)) / out_a
        p[3] = out_a

    def fill(self, sdf, rgb, alpha=1.0, box=None, paint=None):
        """Blends rgb (or paint(x, y) -> rgb) wherever sdf(x, y) < 0, edges anti-aliased."""
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                d = sdf(x + 0.5, y + 0.5)
                coverage = min(1.0, max(0.0, 0.5 - d))
                if coverage > 0:
                    self.blend(x, y, paint(x, y) if paint else rgb, coverage * alpha)

    def rgba_bytes(self):
        out = bytearray()
        for p in self.px:
            out += bytes(int(round(min(1.0, max(0.0, c)) * 255)) for c in p)
        return out

    def rgb_bytes(self):
        out = bytearray()
        for p in self.px:
            out += bytes(int(round(min(1.0, max(0.0, c)) * 255)) for c in p[:3])
        return out


# Signed distance functions (negative inside).
def rounded_rect(x0, y0, x1, y1, radius):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def sdf(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0), max(qy, 0))
        return outside + min(max(qx, qy), 0) - radius
    return sdf


def ring(sdf, width):
    return lambda x, y: abs(sdf(x, y)) - width / 2


def capsule(ax, ay, bx, by, radius):
    def sdf(x, y):
        px, py, vx, vy = x - ax, y - ay, bx - ax, by - ay
        t = max(0.0, min(1.0, (px * vx + py * vy) / (vx * vx + vy * vy)))
        return math.hypot(px - vx * t, py - vy * t) - radius
    return sdf


def polyline(points, radius):
    parts = [capsule(*points[i], *points[i + 1], radius) for i in range(len(points) - 1)]
    return lambda x, y: min(p(x, y) for p in parts)


def circle(cx, cy, radius):
    return lambda x, y: math.hypot(x - cx, y - cy) - radius


def shift(sdf, dx, dy):
    return lambda x, y: sdf(x - dx, y - dy)


def mix(a, b, t):
    t = min(1.0, max(0.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


# Writers.
def png_bytes(canvas):
    raw = bytearray()
    data = canvas.rgba_bytes()
    stride = canvas.width * 4
    for y in range(canvas.height):
        raw.append(0)
        raw += data[y * stride:(y + 1) * stride]

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
           chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
    return png


def write_png(name, canvas):
    (OUT / name).write_bytes(png_bytes(canvas))
    # Every byte of a picture ships in the installer: zopflipng (Debian's zopfli) recompresses the
    # file losslessly, about an eighth smaller than zlib's best.
    try:
        subprocess.run(["zopflipng", "-y", "-m", "--iterations=50", "--filters=01234mepb",
                        str(OUT / name), str(OUT / name)], check=True, capture_output=True)
    except FileNotFoundError:
        print("zopflipng not found: " + name + " left as zlib wrote it", file=sys.stderr)


def write_jpeg(name, canvas, quality=80):
    ppm = b"P6\n%d %d\n255\n" % (canvas.width, canvas.height) + bytes(canvas.rgb_bytes())
    subprocess.run(["convert", "ppm:-", "-strip", "-sampling-factor", "4:2:0", "-quality",
                    str(quality), "jpeg:" + str(OUT / name)], input=ppm, check=True)


def text_mask(text, width, height, pointsize, x, y, font="Liberation-Sans-Bold"):
    """Grey coverage (0..1 per pixel) of text rendered by ImageMagick, baseline-free placement."""
    raw = subprocess.run(
        ["convert", "-size", f"{width}x{height}", "xc:black", "-fill", "white", "-font", font,
         "-pointsize", str(pointsize), "-gravity", "NorthWest", "-annotate", f"+{x}+{y}", text,
         "-depth", "8", "gray:-"], check=True, capture_output=True).stdout
    return [b / 255 for b in raw]


def downscale(canvas, factor):
    """Box filter in premultiplied space (the 1x logos are made from the 2x drawings)."""
    w, h = canvas.width // factor, canvas.height // factor
    out = Canvas(w, h)
    for y in range(h):
        for x in range(w):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(factor):
                for sx in range(factor):
                    p = canvas.px[(y * factor + sy) * canvas.width + x * factor + sx]
                    for i in range(3):
                        acc[i] += p[i] * p[3]
                    acc[3] += p[3]
            n = factor * factor
            a = acc[3] / n
            out.px[y * w + x] = [acc[i] / acc[3] if acc[3] else 0 for i in range(3)] + [a]
    return out


# Pictures.
def cross_sprite(rgb, alphas):
    """Three 12 x 12 frames: normal, hot, pressed; a round-capped X."""
    c = Canvas(36, 12)
    for frame, alpha in enumerate(alphas):
        ox = frame * 12
        if frame:
            c.fill(circle(ox + 6, 6, 6), rgb, 0.12 if frame == 1 else 0.2, (ox, 0, ox + 12, 12))
        c.fill(polyline([(ox + 3, 3), (ox + 9, 9)], 0.75), rgb, alpha, (ox, 0, ox + 12, 12))
        c.fill(polyline([(ox + 9, 3), (ox + 3, 9)], 0.75), rgb, alpha, (ox, 0, ox + 12, 12))
    return c


def button_sprite(width, height, frames):
    """Three frames side by side; frames = [(fill rgb or None, border rgb or None, y offset)]."""
    fw = width // 3
    c = Canvas(width, height)
    for i, (fill_rgb, border_rgb, dy) in enumerate(frames):
        ox = i * fw
        box = (ox, 0, ox + fw, height)
        shape = rounded_rect(ox + 0.5, 0.5 + dy, ox + fw - 0.5, height - 0.5, 4)
        if fill_rgb:
            top, bottom = fill_rgb
            c.fill(shape, None, 1.0, box, paint=lambda x, y, t=top, b=bottom: mix(t, b, y / height))
        if border_rgb:
            c.fill(ring(shape, 1.0), border_rgb, 1.0, box)
    return c


def checkbox_sprite():
    """Six 16 x 16 frames: clear normal/hot/pressed, ticked normal/hot/pressed (for dark backs)."""
    c = Canvas(96, 16)
    for i in range(6):
        ox = i * 16
        box = (ox, 0, ox + 16, 16)
        state = i % 3
        ticked = i >= 3
        shape = rounded_rect(ox + 1, 1, ox + 15, 15, 3)
        if ticked:
            fill = [AMBER, AMBER_HOT, AMBER_PRESSED][state]
            c.fill(shape, fill, 1.0, box)
            c.fill(polyline([(ox + 4.2, 8.2), (ox + 6.9, 10.9), (ox + 11.8, 5.2)], 0.95),
                   NIGHT, 1.0, box)
        else:
            c.fill(shape, WHITE, [0.10, 0.22, 0.32][state], box)
            c.fill(ring(shape, 1.2), WHITE, [0.85, 1.0, 0.9][state], box)
    return c


def shadow_pieces():
    """The window shadow: e = 8, corners 2e square around the window's corner point."""
    e, peak = 8, 0.34

    def alpha_at(distance):
        if distance <= 0:
            return peak
        t = max(0.0, 1 - distance / e)
        return peak * t * t

    pieces = {}
    # Corner piece: the window occupies the quadrant toward (sx, sy) from point (8, 8).
    for rid, (sx, sy) in {125: (1, 1), 126: (-1, 1), 127: (-1, -1), 128: (1, -1)}.items():
        c = Canvas(2 * e, 2 * e)
        for y in range(2 * e):
            for x in range(2 * e):
                dx = max(0.0, (e - (x + 0.5)) * sx)
                dy = max(0.0, (e - (y + 0.5)) * sy)
                c.px[y * 2 * e + x] = [0, 0, 0, alpha_at(math.hypot(dx, dy))]
        pieces[rid] = c
    # Edges: distance grows away from the window.
    # Edges (8 x 1 or 1 x 8): the window lies before pixel 0 (outward 1) or after pixel 7 (-1).
    for rid, (w, h, outward) in {129: (8, 1, -1), 131: (8, 1, 1),
                                 130: (1, 8, -1), 132: (1, 8, 1)}.items():
        c = Canvas(w, h)
        for i in range(e):
            pos = i + 0.5
            c.px[i] = [0, 0, 0, alpha_at(pos if outward > 0 else e - pos)]
        pieces[rid] = c
    return pieces


def dialog_panel():
    """410 x 186: white rounded panel inset (7, 4, 6, 8) with a soft shadow in the margins."""
    w, h = 410, 186
    c = Canvas(w, h)
    panel = rounded_rect(7, 4, w - 6, h - 8, 6)
    body = shift(panel, 0, 1.5)
    for y in range(h):
        for x in range(w):
            d = body(x + 0.5, y + 0.5)
            if d > 0:
                t = max(0.0, 1 - d / 7)
                c.px[y * w + x] = [0, 0, 0, 0.26 * t * t]
    c.fill(panel, WHITE)
    c.fill(ring(panel, 1.0), (214, 218, 226), 0.9, (0, 0, w, h))
    return c


def background():
    """728 x 400: a calm night-blue to teal gradient with a few very soft light discs."""
    w, h = 728, 400
    c = Canvas(w, h, (0, 0, 0, 1.0))
    discs = [(600, 70, 220, 0.07), (130, 360, 260, 0.06), (470, 300, 140, 0.05)]
    for y in range(h):
        for x in range(w):
            t = (x / w) * 0.65 + (y / h) * 0.35
            rgb = mix(NIGHT, TEAL, t)
            glow = 0.0
            for cx, cy, r, a in discs:
                d = math.hypot(x - cx, y - cy) / r
                if d < 1:
                    glow += a * (1 - d * d) ** 2
            rgb = mix(rgb, WHITE, glow)
            c.px[y * w + x] = [v / 255 for v in rgb] + [1.0]
    return c


def shield_picture(w, h, scale):
    """First-slide picture: a shield with a check mark over concentric rings, on white."""
    c = Canvas(w, h, (255, 255, 255, 1.0))
    cx, cy = w * 0.52, h * 0.52
    for i, r in enumerate((0.46, 0.36, 0.27)):
        c.fill(ring(circle(cx, cy, h * r), 2.0 * scale), TEAL, 0.10 + 0.06 * i)
    c.fill(circle(cx, cy, h * 0.20), (226, 241, 245))
    sw, sh = h * 0.30, h * 0.36
    top, bottom = cy - sh * 0.55, cy + sh * 0.55

    mid = cy + sh * 0.05
    upper = rounded_rect(cx - sw / 2, top, cx + sw / 2, mid + 12 * scale, 10 * scale)

    def shield(x, y):
        # A rounded top joined to a half-ellipse that narrows to the point at the bottom.
        k = (y - mid) / (bottom - mid)
        if k < 0:
            lower = mid - y
        else:
            lower = max(abs(x - cx) - sw / 2 * math.sqrt(max(0.0, 1 - k * k)), y - bottom)
        return min(upper(x, y), lower)

    c.fill(shift(shield, 0, 6 * scale), NIGHT, 0.18)
    c.fill(shield, None, 1.0, paint=lambda x, y: mix(TEAL, NIGHT, (y - top) / (bottom - top)))
    c.fill(polyline([(cx - sw * 0.2, cy + sh * 0.02), (cx - sw * 0.04, cy + sh * 0.17),
                     (cx + sw * 0.22, cy - sh * 0.16)], 7 * scale), AMBER)
    return c


def logo(light, word, scale):
    """Wordmark at 2x (332 x 56) or 1x (downscaled): a round mark with a V and the name."""
    w, h = 332, 56
    c = Canvas(w, h)
    ink = WHITE if light else INK
    mark = circle(28, 28, 24)
    c.fill(mark, AMBER)
    c.fill(polyline([(17, 17), (28, 40), (39, 17)], 3.6), NIGHT)
    mask = text_mask(word, w, h, 40, 64, 3)
    for i, a in enumerate(mask):
        if a > 0:
            c.blend(i % w, i // w, ink, a)
    return c if scale == 2 else downscale(c, 2)


def progress_fill():
    c = Canvas(292, 4)
    c.fill(rounded_rect(0, 0, 292, 4, 2), None, 1.0,
           paint=lambda x, y: mix(TEAL, (40, 170, 190), x / 292))
    return c


def progress_track():
    c = Canvas(292, 4)
    c.fill(rounded_rect(0, 0, 292, 4, 2), (222, 226, 232))
    return c


def write_icon(name, sizes):
    """Icon group of the round mark on its own. The 16-pixel image is a 32-bit DIB; the larger
    ones are stored as PNG, which Windows reads in icons since Vista, at a tenth of the bytes."""
    images = []
    for size in sizes:
        k = size / 56
        c = Canvas(size, size)
        c.fill(circle(size / 2, size / 2, size / 2 - 0.5), AMBER)
        c.fill(polyline([(17 * k, 15 * k), (28 * k, 40 * k), (39 * k, 15 * k)],
                        max(1.2, 4.2 * k)), NIGHT)
        if size > 16:
            images.append((size, png_bytes(c)))
            continue
        rgba = c.rgba_bytes()
        rows = []
        for y in range(size - 1, -1, -1):  # bottom-up, BGRA
            row = bytearray()
            for x in range(size):
                r, g, b, a = rgba[(y * size + x) * 4:(y * size + x) * 4 + 4]
                row += bytes((b, g, r, a))
            rows.append(bytes(row))
        mask_stride = ((size + 31) // 32) * 4
        dib = (struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0) +
               b"".join(rows) + b"\0" * (mask_stride * size))
        images.append((size, dib))
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, dib in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(dib), offset)
        offset += len(dib)
        blobs += dib
    (OUT / name).write_bytes(header + entries + blobs)


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    write_png("close_dark_101.png", cross_sprite(INK, (0.7, 0.95, 1.0)))
    write_png("close_light_103.png", cross_sprite(WHITE, (0.75, 1.0, 1.0)))
    write_png("dialog_panel_104.png", dialog_panel())
    write_png("dialog_button_main_105.png", button_sprite(360, 28, [
        ((AMBER_HOT, AMBER), None, 0), (((255, 226, 128), AMBER_HOT), None, 0),
        ((AMBER, AMBER_PRESSED), None, 1)]))
    write_png("dialog_button_second_106.png", button_sprite(360, 28, [
        (((255, 255, 255), (255, 255, 255)), (198, 203, 212), 0),
        (((246, 247, 249), (240, 242, 245)), (170, 176, 188), 0),
        (((232, 235, 239), (232, 235, 239)), (160, 166, 178), 1)]))
    for rid, canvas in shadow_pieces().items():
        write_png(f"shadow_{rid}.png", canvas)
    write_png("checkbox_1002.png", checkbox_sprite())
    for rid, light, word, scale in [(1003, True, "Vorlex", 1), (1015, True, "Vorlex", 2),
                                    (1011, True, "Ворлекс", 1), (1017, True, "Ворлекс", 2),
                                    (1005, False, "Vorlex", 1), (1016, False, "Vorlex", 2),
                                    (1012, False, "Ворлекс", 1), (1018, False, "Ворлекс", 2)]:
        write_png(f"logo_{rid}.png", logo(light, word, scale))
    write_png("install_button_1007.png", button_sprite(336, 32, [
        ((AMBER_HOT, AMBER), None, 0), (((255, 226, 128), (255, 210, 80)), None, 0),
        ((AMBER, AMBER_PRESSED), None, 1)]))
    write_png("progress_fill_1008.png", progress_fill())
    write_png("progress_track_1009.png", progress_track())
    write_jpeg("slide_1004.jpg", shield_picture(702, 536, 1.0))
    write_jpeg("slide_1010.jpg", shield_picture(698, 478, 0.9))
    write_jpeg("background_1006.jpg", background())
    write_icon("vorlex_1000.ico", [16, 32, 48])
    print(f"assets written to {OUT}")


if __name__ == "__main__":
    main()
