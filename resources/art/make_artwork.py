#!/usr/bin/env python3
"""Draws the setup's artwork and writes it beside this script.

    wizard_art.bmp    80 x 140, 4 bpp       the wizard's left strip
    launcher_art.bmp  464 x 309, 8 bpp RLE8 the launcher menu's picture
    setup.ico         32 x 32, 16 colours   the setup program's icon

Standard library only. Every random choice comes from a fixed seed and the
noise uses integer hashing, so each run writes the same bytes.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


# ---------------------------------------------------------------- helpers

def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def smoothstep(e0, e1, v):
    t = clamp((v - e0) / (e1 - e0))
    return t * t * (3.0 - 2.0 * t)


def mix(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)


def ramp(stops, t):
    """Piecewise-linear colour gradient; stops are (position, (r, g, b))."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return mix(c0, c1, (t - p0) / (p1 - p0))
    return stops[-1][1]


class Rng:
    """xorshift32: Python's own generator could change between versions."""

    def __init__(self, seed):
        self.s = seed & 0xFFFFFFFF or 1

    def next(self):
        s = self.s
        s ^= (s << 13) & 0xFFFFFFFF
        s ^= s >> 17
        s ^= (s << 5) & 0xFFFFFFFF
        self.s = s
        return s

    def uniform(self, lo=0.0, hi=1.0):
        return lo + (hi - lo) * (self.next() / 4294967296.0)

    def below(self, n):
        return self.next() % n


def _hash(x, y, seed):
    n = (x * 374761393 + y * 668265263 + seed * 144665) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 65535.0


class Noise:
    """Fractal value noise; each octave's lattice is precomputed and wraps
    around, so any coordinate is valid."""

    def __init__(self, w, h, cell, octaves, seed, gain=0.5):
        self.octaves = []
        amp, total = 1.0, 0.0
        for o in range(octaves):
            c = cell / (2 ** o)
            gw, gh = int(w / c) + 2, int(h / c) + 2
            grid = [[_hash(i, j, seed * 31 + o) for i in range(gw)] for j in range(gh)]
            self.octaves.append((1.0 / c, amp, gw, gh, grid))
            total += amp
            amp *= gain
        self.norm = 1.0 / total

    def __call__(self, x, y):
        v = 0.0
        for inv, amp, gw, gh, grid in self.octaves:
            fx, fy = x * inv, y * inv
            ix, iy = math.floor(fx), math.floor(fy)
            tx, ty = fx - ix, fy - iy
            tx = tx * tx * (3 - 2 * tx)
            ty = ty * ty * (3 - 2 * ty)
            x0, x1 = ix % gw, (ix + 1) % gw
            r0, r1 = grid[iy % gh], grid[(iy + 1) % gh]
            a = r0[x0] + (r0[x1] - r0[x0]) * tx
            b = r1[x0] + (r1[x1] - r1[x0]) * tx
            v += amp * (a + (b - a) * ty)
        return v * self.norm


class Canvas:
    """Floating-point RGB image, 0..255 per channel, top-down."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [(0.0, 0.0, 0.0)] * (w * h)

    def fill(self, fn):
        w = self.w
        for y in range(self.h):
            for x in range(w):
                self.px[y * w + x] = fn(x, y)

    def add(self, x, y, c, a=1.0):
        if 0 <= x < self.w and 0 <= y < self.h:
            i = y * self.w + x
            p = self.px[i]
            self.px[i] = (p[0] + c[0] * a, p[1] + c[1] * a, p[2] + c[2] * a)

    def blend(self, x, y, c, a):
        if 0 <= x < self.w and 0 <= y < self.h and a > 0.0:
            i = y * self.w + x
            self.px[i] = mix(self.px[i], c, a)

    def glow(self, cx, cy, radius, c, strength):
        """Additive soft spot, falling off as (1 - d^2/r^2)^2."""
        r2 = radius * radius
        for y in range(int(cy - radius), int(cy + radius) + 2):
            for x in range(int(cx - radius), int(cx + radius) + 2):
                d2 = (x - cx) ** 2 + (y - cy) ** 2
                if d2 < r2:
                    f = 1.0 - d2 / r2
                    self.add(x, y, c, strength * f * f)

    def bytes_rgb(self):
        out = []
        for p in self.px:
            out.append(tuple(int(clamp(v, 0, 255) + 0.5) for v in p))
        return out


# ---------------------------------------------------------------- drawing

def draw_stars(cv, rng, count, skip=None):
    tints = [(255, 255, 255), (200, 215, 255), (255, 240, 210), (255, 220, 200), (210, 240, 255)]
    for _ in range(count):
        x, y = rng.below(cv.w), rng.below(cv.h)
        b = rng.uniform() ** 3  # most stars faint, a few bright
        tint = tints[rng.below(len(tints))]
        if skip and skip(x, y):
            continue
        cv.add(x, y, tint, 0.25 + 0.75 * b)
        if b > 0.35:
            s = 0.35 * b
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                cv.add(x + dx, y + dy, tint, s)


def draw_flare(cv, x, y, length, c, strength):
    """A bright star with four diffraction spikes."""
    cv.glow(x, y, length * 0.35, c, strength * 0.8)
    for d in range(1, length):
        f = strength * (1.0 - d / length) ** 2
        for dx, dy in ((d, 0), (-d, 0), (0, d), (0, -d)):
            cv.add(x + dx, y + dy, c, f)
    cv.add(x, y, (255, 255, 255), 1.0)


def draw_planet(cv, cx, cy, r, light, surface, rim):
    """Shaded sphere with an atmosphere; surface(u, v, nz) gives the albedo colour
    for the sphere's normal (u, v across the disc, both -1..1)."""
    lx, ly, lz = light
    ln = math.sqrt(lx * lx + ly * ly + lz * lz)
    lx, ly, lz = lx / ln, ly / ln, lz / ln
    halo = r * 1.08
    for y in range(max(0, int(cy - halo) - 1), min(cv.h, int(cy + halo) + 2)):
        for x in range(max(0, int(cx - halo) - 1), min(cv.w, int(cx + halo) + 2)):
            dx, dy = (x + 0.5 - cx) / r, (y + 0.5 - cy) / r
            d = math.sqrt(dx * dx + dy * dy)
            # lit haze around the limb; laid under the disc so the edge blends into it
            facing = clamp((dx * lx + dy * ly) / max(d, 1e-6) + 0.3)
            cv.add(x, y, rim, 0.9 * facing * (1.0 - smoothstep(1.0, halo / r, d)))
            if d > 1.0 + 1.0 / r:
                continue
            nz = math.sqrt(max(0.0, 1.0 - d * d))
            diff = dx * lx + dy * ly + nz * lz
            shade = clamp(diff) ** 0.8 * 0.95 + 0.04
            base = surface(dx, dy, nz)
            col = (base[0] * shade, base[1] * shade, base[2] * shade)
            # atmosphere thickens towards the limb on the lit side
            fres = (1.0 - nz) ** 2
            col = mix(col, rim, clamp(fres * (0.25 + clamp(diff + 0.3)) * 0.9))
            cover = clamp((1.0 - d) * r + 0.5)
            cv.blend(x, y, col, cover)


def fill_polygon(cv, pts, colour_at, samples=4):
    """Antialiased polygon fill; colour_at(x, y) may shade it."""
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    step = 1.0 / samples
    n = len(pts)
    for y in range(int(min(ys)), int(max(ys)) + 1):
        for x in range(int(min(xs)), int(max(xs)) + 1):
            hits = 0
            for sy in range(samples):
                py = y + (sy + 0.5) * step
                for sx in range(samples):
                    px = x + (sx + 0.5) * step
                    inside = False
                    j = n - 1
                    for i in range(n):
                        xi, yi = pts[i]
                        xj, yj = pts[j]
                        if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
                            inside = not inside
                        j = i
                    hits += inside
            if hits:
                cv.blend(x, y, colour_at(x, y), hits / (samples * samples))


SHIP = [(1.0, 0.0), (0.35, 0.07), (0.0, 0.12), (-0.25, 0.45), (-0.42, 0.48), (-0.32, 0.14),
        (-0.5, 0.12), (-0.5, -0.12), (-0.32, -0.14), (-0.42, -0.48), (-0.25, -0.45), (0.0, -0.12),
        (0.35, -0.07)]


def draw_ship(cv, x, y, size, angle):
    """A dart-shaped fighter seen from above, nose along angle (radians)."""
    ca, sa = math.cos(angle), math.sin(angle)

    def at(u, v):
        return x + size * (u * ca - v * sa), y + size * (u * sa + v * ca)

    # engine plume first, so the hull covers its root
    for k in range(6):
        t = k / 6.0
        px, py = at(-0.5 - t * 0.45, 0.0)
        cv.glow(px, py, size * (0.14 - t * 0.08), (120, 180, 255), 0.8 * (1.0 - t))
    px, py = at(-0.5, 0.0)
    cv.glow(px, py, size * 0.09, (255, 255, 255), 1.0)

    def hull(px, py):
        u = ((px - x) * ca + (py - y) * sa) / size
        v = ((px - x) * -sa + (py - y) * ca) / size
        # the port side faces the sun; a bright spine runs along the middle
        light = 0.25 + 0.6 * clamp(0.5 - v * 2.5)
        if abs(v + 0.02) < 0.035 and u > -0.45:
            light += 0.25
        c = mix((22, 24, 38), (205, 210, 228), clamp(light))
        return mix(c, (255, 170, 110), 0.25 * clamp(-v * 3))
    fill_polygon(cv, [at(u, v) for u, v in SHIP], hull)
    cx, cy = at(0.42, 0.0)
    cv.glow(cx, cy, size * 0.06, (140, 230, 255), 0.9)


FONT = {
    'S': [" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "],
    'T': ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "],
    'A': [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    'R': ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    'W': ["#   #", "#   #", "#   #", "# # #", "# # #", "## ##", "#   #"],
    'K': ["#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"],
    'E': ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    'I': ["###", " # ", " # ", " # ", " # ", " # ", "###"],
    'V': ["#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "],
    ' ': ["  ", "  ", "  ", "  ", "  ", "  ", "  "],
}


def text_mask(text, scale, gap):
    """Set of (x, y) pixels covered by text in the block font."""
    cells, x0 = set(), 0
    for ch in text:
        glyph = FONT[ch]
        for gy, row in enumerate(glyph):
            for gx, on in enumerate(row):
                if on == '#':
                    for y in range(gy * scale, (gy + 1) * scale):
                        for x in range(x0 + gx * scale, x0 + (gx + 1) * scale):
                            cells.add((x, y))
        x0 += len(glyph[0]) * scale + gap
    return cells, x0 - gap, 7 * scale


def draw_title(cv, text, cx, top, scale):
    cells, w, h = text_mask(text, scale, scale)
    ox = int(cx - w / 2)
    # soft dark backing keeps the letters readable over the nebula
    for (x, y) in cells:
        for dy in (-3, 0, 3):
            for dx in (-3, 0, 3):
                cv.blend(ox + x + dx, top + y + dy, (4, 4, 14), 0.3)
    outline = set()
    for (x, y) in cells:
        for dy in (-2, -1, 0, 1, 2):
            for dx in (-2, -1, 0, 1, 2):
                if (x + dx, y + dy) not in cells:
                    outline.add((x + dx, y + dy))
    for (x, y) in outline:
        cv.blend(ox + x, top + y, (10, 8, 24), 1.0)
    metal = [(0.0, (255, 250, 215)), (0.42, (255, 200, 90)), (0.5, (170, 90, 30)),
             (0.62, (235, 150, 55)), (1.0, (255, 230, 150))]
    for (x, y) in cells:
        c = ramp(metal, y / (h - 1))
        # bevel: the top and left edge of each stroke catch the light
        if (x, y - 1) not in cells or (x - 1, y) not in cells:
            c = mix(c, (255, 255, 240), 0.55)
        elif (x, y + 1) not in cells or (x + 1, y) not in cells:
            c = mix(c, (90, 40, 10), 0.45)
        cv.blend(ox + x, top + y, c, 1.0)


# ---------------------------------------------------------------- scenes

def gas_giant(u, v, nz, noise):
    """Banded ochre-and-rust surface; bands follow latitude and wander with noise."""
    lat = v + 0.18 * (noise(u * 90 + 200, v * 90 + 200) - 0.5)
    t = (math.sin(lat * 11.0) * 0.5 + 0.5) * 0.6 + 0.4 * noise(u * 40 + 300, lat * 260 + 300)
    return ramp([(0.0, (120, 52, 30)), (0.35, (196, 120, 64)), (0.6, (236, 196, 140)),
                 (0.8, (210, 150, 92)), (1.0, (250, 226, 186))], t)


def launcher_scene():
    w, h = 464, 309
    cv = Canvas(w, h)
    neb = Noise(w, h, 96, 5, 11)
    warp = Noise(w, h, 64, 3, 12)
    tint = Noise(w, h, 140, 3, 13)
    dust = Noise(w, h, 40, 4, 14)

    def space(x, y):
        # a diagonal band of gas from lower left to upper right
        qx = x + 40 * (warp(x, y) - 0.5)
        qy = y + 40 * (warp(x + 97, y + 31) - 0.5)
        band = abs((qy - h * 0.62) + (qx - w * 0.45) * 0.55) / h
        m = 1.0 - smoothstep(0.0, 0.42, band)
        n = neb(qx, qy)
        gas = smoothstep(0.3, 0.85, n) * m
        core = smoothstep(0.6, 0.95, n) * m * m
        lanes = smoothstep(0.5, 0.75, dust(x, y)) * m
        bg = mix((4, 6, 22), (14, 6, 30), y / h)
        hue = ramp([(0.0, (40, 70, 200)), (0.45, (150, 40, 160)), (0.75, (220, 60, 120)),
                    (1.0, (255, 120, 90))], smoothstep(0.25, 0.75, tint(x, y)))
        c = mix(bg, hue, gas * 0.85)
        c = mix(c, (255, 214, 220), core * 0.55)
        return mix(c, (6, 4, 14), lanes * 0.7)

    cv.fill(space)
    rng = Rng(20250611)
    pcx, pcy, pr = 392, 300, 150
    draw_stars(cv, rng, 700, skip=lambda x, y: (x - pcx) ** 2 + (y - pcy) ** 2 < pr * pr)
    for fx, fy, ln in ((58, 92, 13), (300, 110, 9), (430, 38, 11), (150, 250, 8)):
        draw_flare(cv, fx, fy, ln, (200, 220, 255), 0.8)

    # a small moon away from the planet, lit from the same side
    moon_noise = Noise(40, 40, 6, 3, 21)
    draw_planet(cv, 228, 182, 13, (-0.7, -0.5, 0.5),
                lambda u, v, nz: mix((90, 90, 100), (200, 196, 190), moon_noise(u * 18 + 20, v * 18 + 20)),
                (120, 140, 190))
    giant_noise = Noise(420, 420, 24, 4, 22)
    draw_planet(cv, pcx, pcy, pr, (-0.65, -0.6, 0.45),
                lambda u, v, nz: gas_giant(u, v, nz, giant_noise), (150, 190, 255))

    draw_ship(cv, 112, 178, 58, -0.45)
    draw_ship(cv, 178, 222, 22, -0.42)
    draw_title(cv, "STARWAKE IV", w // 2, 20, 5)
    return cv


def wizard_scene():
    w, h = 80, 140
    cv = Canvas(w, h)
    neb = Noise(w, h, 30, 4, 31)

    def space(x, y):
        m = 1.0 - smoothstep(0.0, 0.5, abs((y - 52) - (x - 40) * 0.9) / h)
        gas = smoothstep(0.35, 0.9, neb(x, y)) * m
        c = mix((2, 4, 18), (16, 8, 40), y / h)
        return mix(c, ramp([(0, (60, 40, 170)), (1, (190, 60, 170))], neb(x + 50, y)), gas * 0.9)

    cv.fill(space)
    rng = Rng(1997)
    pcx, pcy, pr = 58, 176, 82
    draw_stars(cv, rng, 90, skip=lambda x, y: (x - pcx) ** 2 + (y - pcy) ** 2 < pr * pr)
    draw_flare(cv, 18, 22, 7, (210, 225, 255), 0.9)
    giant_noise = Noise(300, 300, 18, 3, 32)
    draw_planet(cv, pcx, pcy, pr, (-0.7, -0.55, 0.45),
                lambda u, v, nz: gas_giant(u, v, nz, giant_noise), (150, 190, 255))
    draw_ship(cv, 30, 62, 24, -1.1)
    return cv


def icon_image():
    """32x32 RGB plus a coverage mask for the icon's transparent corners."""
    cv = Canvas(32, 32)
    mask = [[False] * 32 for _ in range(32)]
    cx, cy, r = 14.5, 17.5, 10.5
    # ring: an ellipse tilted across the planet; the front half is drawn over it
    ca, sa = math.cos(-0.38), math.sin(-0.38)

    def ring_at(x, y):
        dx, dy = x - cx, y - cy
        u, v = dx * ca - dy * sa, dx * sa + dy * ca
        e = math.sqrt((u / 15.0) ** 2 + (v / 4.6) ** 2)
        return 0.8 < e < 1.02, v > 0

    for y in range(32):
        for x in range(32):
            px, py = x + 0.5, y + 0.5
            dx, dy = (px - cx) / r, (py - cy) / r
            d2 = dx * dx + dy * dy
            on_ring, front = ring_at(px, py)
            c = None
            if d2 < 1.0:
                nz = math.sqrt(1.0 - d2)
                shade = clamp(-0.6 * dx - 0.55 * dy + 0.6 * nz)
                band = math.sin((dy + 0.12 * dx) * 7.0) * 0.5 + 0.5
                base = mix((30, 90, 200), (90, 200, 230), band)
                c = mix((6, 10, 40), base, shade)
                if d2 > 0.78 and shade > 0.3:
                    c = mix(c, (200, 240, 255), 0.5)
            if on_ring and (front or c is None):
                c = (235, 205, 120) if (py - cy) < 2 else (170, 120, 60)
            if c is not None:
                cv.px[y * 32 + x] = c
                mask[y][x] = True
    # a four-point star in the top right corner
    sx, sy = 26, 5
    for d in range(-4, 5):
        for (x, y) in ((sx + d, sy), (sx, sy + d)):
            cv.px[y * 32 + x] = (255, 255, 255) if abs(d) < 2 else (255, 230, 120)
            mask[y][x] = True
    for dx, dy in ((1, 1), (-1, 1), (1, -1), (-1, -1)):
        cv.px[(sy + dy) * 32 + sx + dx] = (255, 240, 170)
        mask[sy + dy][sx + dx] = True
    return cv, mask


# ---------------------------------------------------------------- colour reduction

def median_cut(hist, n):
    """hist maps colour -> count. Splits the box with the largest squared error
    at the median of its most varied channel until there are n boxes; returns
    (palette, colour -> index)."""

    def stats(items):
        cnt = sum(c for _, c in items)
        mean = [sum(k[i] * c for k, c in items) / cnt for i in range(3)]
        var = [sum(c * (k[i] - mean[i]) ** 2 for k, c in items) for i in range(3)]
        return cnt, mean, var

    boxes = [(list(hist.items()),) + stats(list(hist.items()))]
    while len(boxes) < n:
        best = max(range(len(boxes)), key=lambda i: sum(boxes[i][3]) if len(boxes[i][0]) > 1 else -1)
        items, cnt, mean, var = boxes[best]
        if len(items) < 2:
            break
        ch = var.index(max(var))
        items.sort(key=lambda kc: kc[0][ch])
        half, acc, cut = cnt / 2.0, 0, 1
        for i, (_, c) in enumerate(items[:-1]):
            acc += c
            cut = i + 1
            if acc >= half:
                break
        a, b = items[:cut], items[cut:]
        boxes[best] = (a,) + stats(a)
        boxes.append((b,) + stats(b))
    palette, index = [], {}
    for i, (items, _, mean, _) in enumerate(boxes):
        palette.append(tuple(int(v + 0.5) for v in mean))
        for k, _ in items:
            index[k] = i
    return palette, index


def nearest(palette, c):
    """Closest entry, with the eye's rough channel weights."""
    r, g, b = c
    best, bd = 0, 1e30
    for i, p in enumerate(palette):
        d = (p[0] - r) ** 2 * 3 + (p[1] - g) ** 2 * 4 + (p[2] - b) ** 2 * 2
        if d < bd:
            best, bd = i, d
    return best


BAYER4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def quantize_dithered(rgb, w, h, n, spread):
    """Few colours: ordered dithering hides the banding."""
    hist = {}
    for c in rgb:
        hist[c] = hist.get(c, 0) + 1
    palette, _ = median_cut(hist, n)
    cache, out = {}, []
    for y in range(h):
        for x in range(w):
            c = rgb[y * w + x]
            off = (BAYER4[y & 3][x & 3] / 16.0 - 0.5) * spread
            d = (int(clamp(c[0] + off, 0, 255)), int(clamp(c[1] + off, 0, 255)), int(clamp(c[2] + off, 0, 255)))
            if d not in cache:
                cache[d] = nearest(palette, d)
            out.append(cache[d])
    return palette, out


def quantize(rgb, n):
    """Many colours: median cut on 6-bit-per-channel colours, refined by a few
    k-means rounds; no dithering, which keeps the runs long for RLE8."""
    hist = {}
    for c in rgb:
        k = (c[0] >> 2, c[1] >> 2, c[2] >> 2)
        hist[k] = hist.get(k, 0) + 1
    palette, _ = median_cut(hist, n)
    keys = list(hist)
    for _ in range(3):
        assign = {k: nearest(palette, k) for k in keys}
        sums = [[0, 0, 0, 0] for _ in palette]
        for k in keys:
            s, c = sums[assign[k]], hist[k]
            s[0] += k[0] * c
            s[1] += k[1] * c
            s[2] += k[2] * c
            s[3] += c
        palette = [(s[0] / s[3], s[1] / s[3], s[2] / s[3]) if s[3] else p for s, p in zip(sums, palette)]
    assign = {k: nearest(palette, k) for k in keys}
    palette = [tuple(min(255, int(v * 4 + 2.5)) for v in p) for p in palette]
    return palette, [assign[(c[0] >> 2, c[1] >> 2, c[2] >> 2)] for c in rgb]


# ---------------------------------------------------------------- file formats

def color_table(palette, n):
    pal = list(palette) + [(0, 0, 0)] * (n - len(palette))
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in pal)


def info_header(w, h, bpp, compression, size_image):
    # biClrUsed 0: the table holds the full 2^bpp entries
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, compression, size_image, 2835, 2835, 0, 0)


def pack_rows(indices, w, h, bpp):
    """Bottom-up rows of 4 or 8 bpp indices, each padded to 4 bytes."""
    out = bytearray()
    stride = ((w * bpp + 31) // 32) * 4
    for y in range(h - 1, -1, -1):
        row = indices[y * w:(y + 1) * w]
        if bpp == 4:
            line = bytearray((row[i] << 4) | (row[i + 1] if i + 1 < w else 0) for i in range(0, w, 2))
        else:
            line = bytearray(row)
        out += line + b"\0" * (stride - len(line))
    return bytes(out)


def rle8_encode_row(row):
    """One row in RLE8. Runs of two or more become encoded pairs; stretches
    without such runs go in absolute mode when 3 or more bytes long (padded to
    a word), else as single-byte encoded pairs."""
    out = bytearray()
    n, i = len(row), 0

    def run_at(j):
        k = j + 1
        while k < n and k - j < 255 and row[k] == row[j]:
            k += 1
        return k - j

    while i < n:
        r = run_at(i)
        if r >= 2:
            out += bytes((r, row[i]))
            i += r
            continue
        j = i
        while j < n and j - i < 255 and run_at(j) < 2:
            j += 1
        lit = row[i:j]
        if len(lit) >= 3:
            out += bytes((0, len(lit))) + bytes(lit)
            if len(lit) & 1:
                out += b"\0"
        else:
            for v in lit:
                out += bytes((1, v))
        i = j
    return bytes(out)


def rle8_encode(indices, w, h):
    out = bytearray()
    for y in range(h - 1, -1, -1):
        out += rle8_encode_row(indices[y * w:(y + 1) * w]) + b"\0\0"
    return bytes(out + b"\0\1")


def rle8_decode(data, w, h):
    """Top-down indices from RLE8 bits; used by the tests."""
    rows, row, i = [], [], 0
    while i < len(data):
        a, b = data[i], data[i + 1]
        i += 2
        if a:
            row += [b] * a
        elif b == 0:
            rows.append(row)
            row = []
        elif b == 1:
            break
        elif b == 2:
            raise ValueError("delta escapes are never written")
        else:
            row += list(data[i:i + b])
            i += b + (b & 1)
    if row or len(rows) != h or any(len(r) != w for r in rows):
        raise ValueError("malformed RLE8 bits")
    return [v for r in reversed(rows) for v in r]


def bmp_file(w, h, bpp, palette, indices, rle=False):
    table = color_table(palette, 1 << bpp)
    bits = rle8_encode(indices, w, h) if rle else pack_rows(indices, w, h, bpp)
    info = info_header(w, h, bpp, 1 if rle else 0, len(bits))
    off = 14 + len(info) + len(table)
    return struct.pack("<2sIHHI", b"BM", off + len(bits), 0, 0, off) + info + table + bits


def ico_file(palette, indices, mask):
    """One 32x32 16-colour image: XOR bits plus a 1 bpp AND mask (1 = transparent)."""
    xor = pack_rows(indices, 32, 32, 4)
    andm = bytearray()
    for y in range(31, -1, -1):
        bits = 0
        for x in range(32):
            bits = (bits << 1) | (0 if mask[y][x] else 1)
        andm += struct.pack(">I", bits)
    image = info_header(32, 64, 4, 0, len(xor) + len(andm)) + color_table(palette, 16) + xor + bytes(andm)
    head = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 22)
    return head + image


# ---------------------------------------------------------------- main

def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
    print("%-18s %7d bytes" % (name, len(data)))


def main():
    cv = wizard_scene()
    palette, idx = quantize_dithered(cv.bytes_rgb(), cv.w, cv.h, 16, 18)
    write("wizard_art.bmp", bmp_file(cv.w, cv.h, 4, palette, idx))

    cv = launcher_scene()
    palette, idx = quantize(cv.bytes_rgb(), 256)
    write("launcher_art.bmp", bmp_file(cv.w, cv.h, 8, palette, idx, rle=True))

    cv, mask = icon_image()
    rgb = cv.bytes_rgb()
    hist = {}
    for y in range(32):
        for x in range(32):
            if mask[y][x]:
                hist[rgb[y * 32 + x]] = hist.get(rgb[y * 32 + x], 0) + 1
    # index 0 stays black for the transparent pixels, as the AND mask needs
    palette, _ = median_cut(hist, 15)
    palette = [(0, 0, 0)] + palette
    idx = [nearest(palette[1:], rgb[i]) + 1 if mask[i // 32][i % 32] else 0 for i in range(1024)]
    write("setup.ico", ico_file(palette, idx, mask))


if __name__ == "__main__":
    main()
