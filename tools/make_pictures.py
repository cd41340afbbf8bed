#!/usr/bin/env python3
"""Draws every picture of the program into assets/pictures/ (and the desktop icon assets/velstrom.png).

    python3 tools/make_pictures.py [output directory]

Needs Pillow (Debian: python3-pil) and the DejaVu or Liberation fonts. The output is deterministic: fixed
random seeds, no clock, so running the script again gives the same pictures.

    BITMAP_20.png     64 x 64, 16 colours: the About window's drifting background; tiles seamlessly
    title.png         640 x 182, 24-bit: the About window's title picture (only 630 x 176 of it is shown)
    logo.png          103 x 96: the emblem on the Maps page (lblLogo in its framed panel)
    empathy.png       32 x 32: the picture beside "Yes, use player handicapping."
    velstrom.png      256 x 256: window and application icon
    velstrom-48.png   48 x 48: the same for small sizes
"""

import math
import os
import random
import shutil
import sys

try:
    from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont
except ImportError:
    sys.exit("make_pictures: needs Pillow (apt-get install python3-pil, then run it with /usr/bin/python3)")

# The colours of the program: dark steel, and rust running from deep brown to hot orange.
STEEL = [(22, 24, 28), (36, 38, 44), (54, 57, 64), (78, 81, 90), (112, 116, 126), (168, 172, 182)]
RUST_DARK = (72, 32, 14)
RUST = (150, 68, 22)
ORANGE = (232, 128, 36)
GLOW = (255, 206, 120)

FONT_CANDIDATES = {
    "condensed": ["/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf",
                  "/usr/share/fonts/truetype/liberation2/LiberationSansNarrow-Bold.ttf",
                  "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf"],
    "bold": ["/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
             "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf"],
}


def font(kind, size):
    for path in FONT_CANDIDATES[kind]:
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    sys.exit("make_pictures: no DejaVu or Liberation font found (apt-get install fonts-dejavu-core)")


def clamp(v):
    return 0 if v < 0 else 255 if v > 255 else int(v + 0.5)


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    return tuple(lerp(a, b, t) for a, b in zip(c1, c2))


def smoothstep(t):
    return t * t * (3 - 2 * t)


class PeriodicNoise:
    """Value noise on a grid that wraps around, so a picture built from it tiles without seams."""

    def __init__(self, seed, cells_x, cells_y, period_x, period_y):
        rnd = random.Random(seed)
        self.cx, self.cy = cells_x, cells_y
        self.sx, self.sy = period_x / cells_x, period_y / cells_y
        self.grid = [[rnd.random() for _ in range(cells_x)] for _ in range(cells_y)]

    def __call__(self, x, y):
        fx, fy = x / self.sx, y / self.sy
        ix, iy = int(math.floor(fx)), int(math.floor(fy))
        tx, ty = smoothstep(fx - ix), smoothstep(fy - iy)
        g = self.grid
        x0, x1 = ix % self.cx, (ix + 1) % self.cx
        y0, y1 = iy % self.cy, (iy + 1) % self.cy
        top = lerp(g[y0][x0], g[y0][x1], tx)
        bottom = lerp(g[y1][x0], g[y1][x1], tx)
        return lerp(top, bottom, ty)


def height_shading(height, width, size_y, light=(-0.6, -0.8), strength=1.0):
    """Lambert-like shading of a height field (list of rows) lit from the upper left: -1 dark .. +1 bright."""
    out = [[0.0] * width for _ in range(size_y)]
    lx, ly = light
    for y in range(size_y):
        for x in range(width):
            gx = height[y][(x + 1) % width] - height[y][(x - 1) % width]
            gy = height[(y + 1) % size_y][x] - height[(y - 1) % size_y][x]
            out[y][x] = max(-1.0, min(1.0, -(gx * lx + gy * ly) * strength))
    return out


def mask_rows(mask):
    w, h = mask.size
    data = list(mask.getdata())
    return [[data[y * w + x] / 255.0 for x in range(w)] for y in range(h)]


def bevel(mask, radius, strength):
    """Shading of a blurred mask's edges, as if the shape were pressed out of the sheet."""
    blurred = mask_rows(mask.filter(ImageFilter.GaussianBlur(radius)))
    w, h = mask.size
    return height_shading(blurred, w, h, strength=strength)


# --- the background tile -------------------------------------------------------------------------------------

def make_tile():
    """Dark tread plate: raised lozenges in a herringbone, over mottled steel with a trace of rust.

    Every term is periodic in 64, and the lozenges keep inside their 32 x 32 cells, so the tile repeats
    without a seam in either direction.
    """
    size = 64
    coarse = PeriodicNoise(20, 4, 4, size, size)
    fine = PeriodicNoise(21, 16, 16, size, size)
    rust = PeriodicNoise(22, 8, 8, size, size)

    height = [[0.0] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            u, v = (x % 32) - 15.5, (y % 32) - 15.5
            flip = ((x // 32) + (y // 32)) % 2
            d = 0.7071
            a = (u + v) * d if flip == 0 else (u - v) * d   # along the lozenge
            b = (u - v) * d if flip == 0 else (u + v) * d   # across it
            shape = 1.0 - (abs(a) / 13.0 + abs(b) / 4.4)
            height[y][x] = max(0.0, min(1.0, shape * 3.0))
    shade = height_shading(height, size, size, strength=1.6)

    img = Image.new("RGB", (size, size))
    px = img.load()
    for y in range(size):
        for x in range(size):
            base = 38 + 10 * coarse(x, y) + 6 * fine(x, y)
            value = base + 8 * height[y][x] + 30 * shade[y][x]
            steel = (value * 0.96, value * 1.0, value * 1.10)
            r = max(0.0, rust(x, y) - 0.70) * 2.5
            colour = mix(steel, (value * 1.40, value * 0.80, value * 0.50), min(0.5, r))
            px[x, y] = tuple(clamp(c) for c in colour)
    return img.quantize(colors=16, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)


# --- shared pieces -------------------------------------------------------------------------------------------

def noise_image(w, h, sigma, seed):
    """Gaussian grain around mid-grey, from our own seeded generator so every run draws the same."""
    rnd = random.Random(seed)
    img = Image.new("L", (w, h))
    img.putdata([clamp(128 + rnd.gauss(0, sigma)) for _ in range(w * h)])
    return img


def brushed_steel(w, h, seed, base=44, spread=14):
    """A steel sheet with horizontal brushing."""
    rnd = random.Random(seed)
    streaks = Image.new("L", (max(1, w // 24), h))
    sp = streaks.load()
    for y in range(h):
        for x in range(streaks.size[0]):
            sp[x, y] = clamp(128 + rnd.gauss(0, 38))
    streaks = streaks.resize((w, h), Image.BILINEAR)
    grain = noise_image(w, h, 20, seed + 1).filter(ImageFilter.BoxBlur(1))
    img = Image.new("RGB", (w, h))
    px, sp, gp = img.load(), streaks.load(), grain.load()
    for y in range(h):
        for x in range(w):
            v = base + spread * (sp[x, y] - 128) / 128 + 5 * (gp[x, y] - 128) / 128
            px[x, y] = (clamp(v * 0.95), clamp(v), clamp(v * 1.09))
    return img


def metal_fill(y, top, bottom):
    """Hot, polished orange metal: bright crown, a dark horizon a little above the middle, glowing base."""
    t = 0.0 if bottom <= top else (y - top) / (bottom - top)
    stops = [(0.0, GLOW), (0.38, ORANGE), (0.50, (120, 46, 12)), (0.56, (176, 78, 22)), (1.0, (236, 142, 52))]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, (t - t0) / (t1 - t0) if t1 > t0 else 0)
    return stops[-1][1]


def paint_metal_text(canvas, mask, box, bevel_radius=2.2, outline=4, shadow=(5, 6)):
    """Puts lettering cut by `mask` onto `canvas` in bevelled orange metal with a dark rim and a shadow."""
    w, h = canvas.size
    rim = mask.filter(ImageFilter.MaxFilter(outline * 2 + 1))
    drop = ImageChops.offset(rim, *shadow).filter(ImageFilter.GaussianBlur(4))
    canvas.paste(Image.new("RGB", (w, h), (6, 6, 8)), (0, 0), drop.point(lambda v: v * 0.85))
    canvas.paste(Image.new("RGB", (w, h), (18, 10, 6)), (0, 0), rim)

    shade = bevel(mask, bevel_radius, 2.6)
    grain = noise_image(w, h, 30, w * 7 + h).load()
    face = Image.new("RGB", (w, h))
    fp = face.load()
    top, bottom = box
    for y in range(h):
        base = metal_fill(y, top, bottom)
        for x in range(w):
            s = shade[y][x]
            n = (grain[x, y] - 128) / 128 * 6
            fp[x, y] = tuple(clamp(c + 90 * s + n) for c in base)
    canvas.paste(face, (0, 0), mask)


def rivet(draw_img, cx, cy, r, stain=True, seed=0):
    """A domed rivet, with a rust streak running down from it."""
    w, h = draw_img.size
    if stain:
        rnd = random.Random(seed)
        streak = Image.new("L", (w, h), 0)
        sd = ImageDraw.Draw(streak)
        length = rnd.randint(18, 40)
        sd.polygon([(cx - r * 0.9, cy), (cx + r * 0.9, cy), (cx + 1.5, cy + length), (cx - 1.5, cy + length)],
                   fill=110)
        streak = streak.filter(ImageFilter.GaussianBlur(2.2))
        draw_img.paste(Image.new("RGB", (w, h), RUST_DARK), (0, 0), streak)
    px = draw_img.load()
    for y in range(int(cy - r - 2), int(cy + r + 3)):
        for x in range(int(cx - r - 2), int(cx + r + 3)):
            if not (0 <= x < w and 0 <= y < h):
                continue
            dx, dy = (x + 0.5 - cx) / r, (y + 0.5 - cy) / r
            d2 = dx * dx + dy * dy
            if d2 <= 1.0:
                nz = math.sqrt(1.0 - d2)
                light = max(0.0, -0.55 * dx - 0.65 * dy + 0.52 * nz)
                v = 40 + 150 * light ** 1.6
                px[x, y] = (clamp(v * 1.02), clamp(v), clamp(v * 1.05))
            elif d2 <= 1.5:  # the dark seat around the dome
                old = px[x, y]
                px[x, y] = tuple(clamp(c * 0.55) for c in old)


def groove_rect(img, box, light=(96, 100, 110), dark=(10, 11, 13)):
    """An engraved frame: dark on the top and left inner edge, light on the bottom and right."""
    d = ImageDraw.Draw(img)
    x0, y0, x1, y1 = box
    d.line([(x0, y1), (x0, y0), (x1, y0)], fill=dark, width=2)
    d.line([(x1, y0 + 1), (x1, y1), (x0 + 1, y1)], fill=light, width=1)
    d.line([(x0 + 2, y1 - 1), (x0 + 2, y0 + 2), (x1 - 1, y0 + 2)], fill=light, width=1)


# --- the title picture ---------------------------------------------------------------------------------------

def make_title():
    """640 x 182, but the About window shows only its top-left 630 x 176: everything that matters lies there."""
    W, H = 640, 182
    VW, VH = 630, 176
    img = brushed_steel(W, H, seed=30, base=46, spread=12)

    # Darken towards the edges of the visible part, so the lettering stands in a pool of light.
    px = img.load()
    for y in range(H):
        for x in range(W):
            dx, dy = (x - VW / 2) / (VW / 2), (y - VH / 2) / (VH / 2)
            k = max(0.35, 1.0 - 0.42 * (dx * dx * 0.8 + dy * dy))
            px[x, y] = tuple(clamp(c * k) for c in px[x, y])

    # Rust creeping in from the lower corners.
    rust = PeriodicNoise(31, 24, 8, W, H)
    for y in range(H):
        for x in range(W):
            edge = max(0.0, (y / VH) - 0.55) * 1.5 + max(0.0, abs(x - VW / 2) / (VW / 2) - 0.55) * 1.2
            amount = max(0.0, rust(x, y) * edge - 0.18) * 1.4
            if amount > 0:
                px[x, y] = tuple(clamp(c) for c in mix(px[x, y], RUST_DARK, min(0.75, amount)))

    groove_rect(img, (7, 7, VW - 8, VH - 8))
    for i, (cx, cy) in enumerate([(18, 18), (VW - 19, 18), (18, VH - 19), (VW - 19, VH - 19),
                                   (VW // 2, 18)]):
        rivet(img, cx, cy, 5.5, stain=cy < VH // 2, seed=300 + i)

    # The name.
    word = "VELSTROM"
    size = 200
    f = font("condensed", size)
    while f.getbbox(word)[2] - f.getbbox(word)[0] > 548:
        size -= 2
        f = font("condensed", size)
    l, t, r, b = f.getbbox(word)
    tx = (VW - (r - l)) // 2 - l
    ty = 74 - (b + t) // 2
    mask = Image.new("L", (W, H), 0)
    ImageDraw.Draw(mask).text((tx, ty), word, font=f, fill=255)
    paint_metal_text(img, mask, (ty + t, ty + b))

    # What it is, engraved under the name.
    d = ImageDraw.Draw(img)
    sub = "QUAKE 2  DEATHMATCH  LEVEL  SCRIPTER"
    fs = font("bold", 13)
    spacing = 3
    widths = [fs.getlength(ch) + spacing for ch in sub]
    x = (VW - (sum(widths) - spacing)) / 2
    y = 136
    for ch, cw in zip(sub, widths):
        d.text((x + 1, y + 1), ch, font=fs, fill=(8, 8, 10))
        d.text((x, y), ch, font=fs, fill=(196, 198, 206))
        x += cw
    d.line([(92, 130), (VW - 93, 130)], fill=(14, 14, 16), width=1)
    d.line([(92, 131), (VW - 93, 131)], fill=(98, 100, 108), width=1)

    fv = font("bold", 12)
    d.text((VW - 58 + 1, VH - 28 + 1), "v1.3", font=fv, fill=(8, 8, 10))
    d.text((VW - 58, VH - 28), "v1.3", font=fv, fill=ORANGE)
    return img


# --- the emblem ----------------------------------------------------------------------------------------------

def make_emblem(size):
    """A round badge: a rusted, riveted rim around dark tread plate, and a bold orange V across it.

    Drawn four times larger and scaled down, for smooth edges. Transparent outside the badge.
    """
    S = size * 4
    c = S / 2
    img = Image.new("RGB", (S, S), (0, 0, 0))

    # Inner plate: the background tile, enlarged, so the badge and the About window belong together.
    tile = make_tile().convert("RGB").resize((S // 4, S // 4), Image.NEAREST)
    for ty in range(0, S, tile.size[1]):
        for tx in range(0, S, tile.size[0]):
            img.paste(tile, (tx, ty))
    img = img.filter(ImageFilter.GaussianBlur(S / 400))

    # Rim: a ring of rusted orange metal with a bevel.
    outer, inner = S * 0.48, S * 0.37
    ring = Image.new("L", (S, S), 0)
    rd = ImageDraw.Draw(ring)
    rd.ellipse([c - outer, c - outer, c + outer, c + outer], fill=255)
    rd.ellipse([c - inner, c - inner, c + inner, c + inner], fill=0)
    ring_small = ring.resize((S // 4, S // 4), Image.LANCZOS)
    shade = bevel(ring_small, 1.5, 2.8)
    rust = PeriodicNoise(40, 12, 12, S // 4, S // 4)
    face = Image.new("RGB", (S // 4, S // 4))
    fp = face.load()
    for y in range(S // 4):
        for x in range(S // 4):
            n = rust(x, y)
            base = mix(mix(RUST, ORANGE, 0.55), RUST_DARK, max(0.0, n - 0.45) * 1.6)
            fp[x, y] = tuple(clamp(v + 95 * shade[y][x]) for v in base)
    img.paste(face.resize((S, S), Image.BICUBIC), (0, 0), ring)

    # Dark seam between rim and plate, and rivets around the rim.
    d = ImageDraw.Draw(img)
    d.ellipse([c - inner, c - inner, c + inner, c + inner], outline=(12, 8, 6), width=max(2, S // 90))
    d.ellipse([c - outer, c - outer, c + outer, c + outer], outline=(14, 9, 6), width=max(2, S // 110))
    for k in range(8):
        a = math.pi / 8 + k * math.pi / 4
        rr = (outer + inner) / 2
        rivet(img, c + rr * math.cos(a), c + rr * math.sin(a), S * 0.022, stain=False)

    # The V: two slanted bars meeting in a point, bevelled like the lettering of the title.
    vmask = Image.new("L", (S, S), 0)
    vd = ImageDraw.Draw(vmask)
    top, bottom = c - S * 0.25, c + S * 0.27
    half, bar = S * 0.25, S * 0.105
    vd.polygon([(c - half - bar * 0.35, top), (c - half + bar, top), (c, bottom - bar * 1.35),
                (c + half - bar, top), (c + half + bar * 0.35, top), (c + bar * 0.42, bottom),
                (c - bar * 0.42, bottom)], fill=255)
    small = vmask.resize((S // 4, S // 4), Image.LANCZOS)
    canvas = img.resize((S // 4, S // 4), Image.LANCZOS)
    paint_metal_text(canvas, small, (int(top / 4), int(bottom / 4)), bevel_radius=max(1.0, size / 110),
                     outline=max(1, size // 90), shadow=(max(1, size // 80), max(1, size // 64)))

    alpha = Image.new("L", (S, S), 0)
    ImageDraw.Draw(alpha).ellipse([c - outer - 1, c - outer - 1, c + outer + 1, c + outer + 1], fill=255)
    result = canvas.convert("RGBA")
    result.putalpha(alpha.resize((size, size), Image.LANCZOS))
    return result


def make_icon(size):
    big = make_emblem(256)
    if size == 256:
        return big
    small = big.resize((size, size), Image.LANCZOS)
    return small.filter(ImageFilter.UnsharpMask(radius=1, percent=60, threshold=2))


def make_logo():
    """The emblem on a dark steel plate with the name under it, sized for the framed panel of the Maps page."""
    W, H = 103, 96
    img = brushed_steel(W, H, seed=50, base=34, spread=8)
    emblem = make_emblem(68)
    img.paste(emblem, ((W - 68) // 2, 4), emblem)
    f = font("condensed", 14)
    word = "VELSTROM"
    l, t, r, b = f.getbbox(word)
    top = 76
    mask = Image.new("L", (W, H), 0)
    ImageDraw.Draw(mask).text(((W - (r - l)) // 2 - l, top - t), word, font=f, fill=255)
    paint_metal_text(img, mask, (top, top + b - t), bevel_radius=0.8, outline=1, shadow=(1, 1))
    return img


def make_empathy():
    """A small shield with a medic's cross: helping the weaker players."""
    S = 32 * 4
    mask = Image.new("L", (S, S), 0)
    d = ImageDraw.Draw(mask)
    d.polygon([(14, 10), (S - 14, 10), (S - 14, 62), (S // 2, S - 6), (14, 62)], fill=255)
    d.rounded_rectangle([14, 10, S - 14, 70], radius=14, fill=255)
    shield = mask.resize((32, 32), Image.LANCZOS)

    face = Image.new("RGB", (32, 32))
    shade = bevel(shield, 1.0, 2.4)
    fp = face.load()
    for y in range(32):
        for x in range(32):
            base = mix(STEEL[3], STEEL[1], y / 31)
            fp[x, y] = tuple(clamp(v + 70 * shade[y][x]) for v in base)

    cross = Image.new("L", (S, S), 0)
    cd = ImageDraw.Draw(cross)
    cd.rectangle([S // 2 - 11, 30, S // 2 + 11, 96], fill=255)
    cd.rectangle([S // 2 - 33, 52, S // 2 + 33, 74], fill=255)
    cross = cross.resize((32, 32), Image.LANCZOS)
    paint_metal_text(face, cross, (7, 24), bevel_radius=0.6, outline=1, shadow=(1, 1))

    rim = shield.filter(ImageFilter.MaxFilter(3))
    out = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
    out.paste(Image.new("RGBA", (32, 32), (14, 9, 6, 255)), (0, 0), rim)
    inner = shield.filter(ImageFilter.MinFilter(3))
    out.paste(face.convert("RGBA"), (0, 0), inner)
    return out


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    assets = os.path.normpath(os.path.join(here, "..", "assets"))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(assets, "pictures")
    os.makedirs(target, exist_ok=True)

    pictures = {
        "BITMAP_20.png": make_tile,
        "title.png": make_title,
        "logo.png": make_logo,
        "empathy.png": make_empathy,
        "velstrom.png": lambda: make_icon(256),
        "velstrom-48.png": lambda: make_icon(48),
    }
    for name, make in pictures.items():
        picture = make()
        path = os.path.join(target, name)
        picture.save(path, optimize=True)
        print(f"{path}: {picture.size[0]} x {picture.size[1]} {picture.mode}")
    if len(sys.argv) <= 1:
        shutil.copyfile(os.path.join(target, "velstrom.png"), os.path.join(assets, "velstrom.png"))


if __name__ == "__main__":
    main()
