#!/usr/bin/env python3
"""Builds a small stand-in Quake 2 installation to try Velstrom on.

The levels are real Quake 2 BSP files (IBSP version 38) holding only an entity lump; the game is a shell
script named quake2 that records where and how it was started. Nothing here can run a real server. As on a
retail install, the id levels and maps.lst sit inside baseq2/pak0.pak; a map pack comes as a .pk3.

    tools/make_demo_install.py DIR
"""
import os
import stat
import struct
import sys
import zipfile

LUMP_COUNT = 19  # entities, planes, vertexes, visibility, ... as in every Quake 2 level


def bsp_bytes(entities: str) -> bytes:
    """A level file: header, lump directory, and the entity text (NUL-terminated) as lump 0."""
    text = entities.encode("latin-1") + b"\0"
    header_size = 8 + LUMP_COUNT * 8
    lumps = [(header_size, len(text))] + [(header_size + len(text), 0)] * (LUMP_COUNT - 1)
    header = b"IBSP" + struct.pack("<i", 38) + b"".join(struct.pack("<ii", o, n) for o, n in lumps)
    return header + text


def level_entities(title):
    pairs = ['"classname" "worldspawn"', '"sky" "unit1_"', '"sounds" "2"']
    if title is not None:
        pairs.insert(1, '"message" "%s"' % title)
    world = "{\n" + "\n".join(pairs) + "\n}\n"
    spawns = "".join(
        '{\n"classname" "info_player_deathmatch"\n"origin" "%d %d 24"\n"angle" "90"\n}\n' % (x, y)
        for x, y in ((0, 0), (256, 0), (0, 256), (256, 256)))
    return world + spawns


LEVELS = [
    ("DM_Arena.BSP", "The Arena of Blood"),
    ("fragpit.bsp", "Frag Pit"),
    ("lava_keep.bsp", "Lava Keep {Team Edition}"),
    ("CTF_Towers.bsp", "Twin Towers CTF"),
    ("rail_yard.bsp", "The Rail Yard"),
    ("tinybox.bsp", None),  # no title: the program shows the level name
    ("warehouse.bsp", "Warehouse Brawl"),
]

MAPS_LST = [
    "q2dm1 \"The Edge\"",
    "q2dm2 \"Tokay's Towers\"",
    "q2dm3 \"The Frag Pipe\"",
    "q2dm4 \"Lost Hallways\"",
    "q2dm5 \"The Pits\"",
    "q2dm6 \"Lava Tomb\"",
    "q2dm7 \"The Slimy Place\"",
    "q2dm8 \"WareHouse\"",
]

PACK_LEVELS = [
    ("maps/ctf_canyon.bsp", "Canyon Crossing CTF"),
    ("maps/duel_cellar.bsp", "The Duel Cellar"),
]


def pak_bytes(files):
    """id's PACK archive: header, the files, then 64-byte entries (56-byte name, offset, length)."""
    data = b""
    entries = b""
    offset = 12
    for name, body in files:
        entries += name.encode("latin-1").ljust(56, b"\0") + struct.pack("<ii", offset, len(body))
        data += body
        offset += len(body)
    return b"PACK" + struct.pack("<ii", offset, len(entries)) + data + entries


GAME = """#!/bin/sh
# Stand-in for the Quake 2 executable: records where and how it was started, then ends.
log="$(dirname "$0")/launch.log"
{
    printf 'cwd: %s\\n' "$PWD"
    printf 'args:'
    for a in "$@"; do printf ' [%s]' "$a"; done
    printf '\\n'
} | tee -a "$log"
"""


def write(path, data: bytes, mode=None):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    if mode is not None:
        os.chmod(path, mode)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = os.path.abspath(sys.argv[1])
    maps = os.path.join(root, "baseq2", "maps")
    for name, title in LEVELS:
        write(os.path.join(maps, name), bsp_bytes(level_entities(title)))
    id_levels = [("maps/%s.bsp" % line.split(" ")[0], bsp_bytes(level_entities(line.split('"')[1])))
                 for line in MAPS_LST]
    maps_lst = "".join(l + "\r\n" for l in MAPS_LST).encode("latin-1")
    write(os.path.join(root, "baseq2", "pak0.pak"), pak_bytes(id_levels + [("maps.lst", maps_lst)]))
    with zipfile.ZipFile(os.path.join(root, "baseq2", "mappack.pk3"), "w", zipfile.ZIP_DEFLATED) as pk3:
        for name, title in PACK_LEVELS:
            pk3.writestr(name, bsp_bytes(level_entities(title)))
    write(os.path.join(root, "baseq2", "server.cfg"),
          b'set sv_maplist ""\r\nset allow_download 1\r\n')
    write(os.path.join(root, "baseq2", "ctf_rules.cfg"), b'set capturelimit "8"\r\n')
    write(os.path.join(root, "quake2"), GAME.encode(), stat.S_IRWXU | stat.S_IRGRP | stat.S_IXGRP | stat.S_IROTH | stat.S_IXOTH)
    os.makedirs(os.path.join(root, "Velstrom"), exist_ok=True)
    print("Demo Quake 2 installation in", root)


if __name__ == "__main__":
    main()
