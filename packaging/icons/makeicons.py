#!/usr/bin/env python3
"""Renders the desktop icons from the window icon's artwork (dialogs/art/makeart.py).

Writes tremvue-32.png, tremvue-64.png, tremvue-128.png and tremvue.svg beside this script, so the
menu entry shows the same picture as the window. Run it again after the artwork changes.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', 'dialogs', 'art'))

sys.dont_write_bytecode = True
import makeart  # noqa: E402


def svg():
    # The same rounded square, sky, ground band and trace as icon_pixel(), on a 256 grid.
    points = []
    for i in range(0, 257):
        u = i / 256
        v = 0.47 + makeart.seismogram(u * 93, 93, 0.028)
        points.append('%.1f,%.2f' % (i, v * 256))
    return '\n'.join([
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">',
        '  <defs>',
        '    <linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">',
        '      <stop offset="0" stop-color="#1e3c78"/>',
        '      <stop offset="1" stop-color="#0a1630"/>',
        '    </linearGradient>',
        '    <linearGradient id="ground" x1="0" y1="0" x2="0" y2="1">',
        '      <stop offset="0" stop-color="#8c6442"/>',
        '      <stop offset="1" stop-color="#604632"/>',
        '    </linearGradient>',
        '    <clipPath id="tile"><rect width="256" height="256" rx="48.6" ry="48.6"/></clipPath>',
        '  </defs>',
        '  <g clip-path="url(#tile)">',
        '    <rect width="256" height="256" fill="url(#sky)"/>',
        '    <rect y="189.4" width="256" height="66.6" fill="url(#ground)"/>',
        '    <polyline fill="none" stroke="#ffd65a" stroke-width="10" stroke-linejoin="round"',
        '              points="%s"/>' % ' '.join(points),
        '  </g>',
        '</svg>',
        '',
    ])


def main():
    for size in (32, 64, 128):
        samples = 4 if size <= 64 else 2
        with open(os.path.join(HERE, 'tremvue-%d.png' % size), 'wb') as f:
            f.write(makeart.png(makeart.render_icon(size, samples), size))
    with open(os.path.join(HERE, 'tremvue.svg'), 'w') as f:
        f.write(svg())


if __name__ == '__main__':
    main()
