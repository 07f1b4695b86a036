#!/usr/bin/env python3
"""Lays out a folder like the root of the Starwake IV CD, for trying setup
and the launcher without the real disc.

    make_sample_cd.py --out DIR --setup setup.exe --game standin_game.exe
                      [--dos-game PATH] [--extra PATH ...]

DIR is removed and made anew. The game's data files are filler of fixed
sizes; music1.pak takes up whatever the built programs leave, so the game
files always add up to TOTAL_BYTES. Every run gives the same bytes and the
same file times.
"""
import argparse
import calendar
import hashlib
import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ICON = os.path.join(HERE, "..", "resources", "art", "setup.ico")

# Setup's progress bar is full at 15,134,438 bytes; the game files come to a
# little more, as on the real disc.
TOTAL_BYTES = 15_300_000
MIN_TOTAL, MAX_TOTAL = 15_200_000, 15_400_000
FILE_TIME = calendar.timegm((1997, 10, 15, 12, 0, 0))

# Filler sizes, roughly those of a game of the time.
FILLER = {
    "sw4.exe": 1_283_552,       # only when no DOS program is given
    "sw4.anm": 2_412_876,
    "snddrv.386": 38_912,
    "snddet.386": 21_504,
    "common.iff": 3_145_216,
    "lowres.dll": 412_160,
    "hires480.dll": 688_640,
    "xmem.ovl": 96_256,
    "sw4lang.iff": 184_320,
    "mkboot.exe": 24_896,
    "sw4.cds": 2_048,
    "vbedrv.exe": 18_742,
    "startsw4.exe": 31_744,
    "KorLib.DL_": 356_352,
}
MUSIC = "music1.pak"

GAME_FILES = ["sw4.exe", "sw4.anm", "snddrv.386", "snddet.386", "common.iff", "lowres.dll",
              "hires480.dll", "xmem.ovl", "sw4lang.iff", "mkboot.exe", "sw4.cds", "swiv.ico",
              "setup.bat", "vbedrv.exe", "readme.txt", "startsw4.exe", MUSIC, "KorLib.DL_", "SW4w.ex_"]

SETUP_BAT = r"""@echo off
rem Installs Starwake IV from MS-DOS. Under Windows 95 run SETUP.EXE instead.
rem Usage: SETUP [drive:\folder]      (the default is C:\SW4)
set SW4DIR=%1
if "%SW4DIR%"=="" set SW4DIR=C:\SW4
echo Installing Starwake IV to %SW4DIR% ...
if not exist %SW4DIR%\NUL md %SW4DIR%
if not exist %SW4DIR%\NUL goto nodir
for %%f in (sw4.exe sw4.anm snddrv.386 snddet.386 common.iff lowres.dll) do copy %%f %SW4DIR% >NUL
for %%f in (hires480.dll xmem.ovl sw4lang.iff mkboot.exe vbedrv.exe startsw4.exe) do copy %%f %SW4DIR% >NUL
copy readme.txt %SW4DIR% >NUL
echo Done. To play, type  CD %SW4DIR%  and then  STARTSW4
echo Keep the Starwake IV CD in the drive while you play.
goto end
:nodir
echo Cannot create %SW4DIR%. Check the drive and folder name.
:end
set SW4DIR=
"""

README = r"""
                               STARWAKE IV
                        The Long Night of Orrin's Reach

                       README.TXT - Version 1.0, October 1997
                     (c) 1997 Quillmoor Interactive. All rights reserved.

Thank you for choosing Starwake IV. Please read this file before you install
the game: it holds late news that did not make it into the manual.


CONTENTS
--------
  1. About the game
  2. System requirements
  3. Installing
  4. Running the game
  5. Uninstalling
  6. Troubleshooting
  7. Contacting us


1. ABOUT THE GAME
-----------------
Two hundred years after the Third Starwake, the colonies of Orrin's Reach
have gone silent. As commander of the carrier Vigil you lead a wing of
fighters into the dark between the stars to learn why. Starwake IV brings
forty missions across six star systems, a branching campaign in which your
choices decide which worlds survive, and a head-to-head mode for two
players over a modem or a network.


2. SYSTEM REQUIREMENTS
----------------------
  - Windows 95, or MS-DOS 6.0 or later
  - 486 DX2/66 processor or better (Pentium 90 recommended)
  - At least 16 MB RAM
  - At least 20 MB free disk space
  - Double-speed CD-ROM drive
  - SVGA graphics card showing 640 x 480 in 256 colours
    (under MS-DOS the high resolution mode needs VESA VBE 2.0 support)
  - Sound Blaster or 100% compatible sound card (optional)
  - Under Windows 95: DirectX 5 or later; Setup installs it from this CD
    if your computer needs it


3. INSTALLING
-------------
Windows 95
  Insert the Starwake IV CD. If AutoPlay is turned on, the Starwake IV menu
  appears by itself; otherwise open My Computer, double-click the CD-ROM
  drive and then SETUP.EXE.

  The setup wizard guides you through the installation. It suggests the
  folder C:\SW4; click Browse to choose another one. Setup copies the game
  files, adds Starwake IV to the Start menu and, when needed, installs
  DirectX. Some computers must be restarted afterwards; Setup tells you so.

MS-DOS
  Change to your CD-ROM drive and run SETUP.BAT with the folder you want,
  for example:

      D:
      SETUP C:\SW4

  Without a folder, SETUP.BAT installs to C:\SW4.


4. RUNNING THE GAME
-------------------
Windows 95
  Choose Start, Programs, Starwake IV, or simply insert the CD: the
  Starwake IV menu appears, and its Play button starts the game. The menu
  can also show this file and remove the game.

  The "Show this menu on startup" check box decides whether the menu
  appears each time you insert the CD. When you clear it, inserting the CD
  starts the game at once. To see the menu again, run SETUP.EXE from the
  CD's main folder and tick the box once more.

MS-DOS
  Change to the game's folder and type STARTSW4:

      CD \SW4
      STARTSW4

  The CD must stay in the drive while you play: the music and the films
  are read from it.


5. UNINSTALLING
---------------
Windows 95
  Open Control Panel, double-click Add/Remove Programs, choose Starwake IV
  and click Add/Remove. You can also use the Uninstall button of the
  Starwake IV menu. DirectX stays installed, since other programs may
  need it.

MS-DOS
  Delete the game's folder, for example with  DELTREE C:\SW4


6. Troubleshooting
------------------
DirectX
  If Setup reports that DirectX could not be installed, or that the
  DirectX on your computer is too old or damaged:
    - Close every other program, restart Windows and run Setup again.
    - Run DXSETUP.EXE from the DirectX folder on this CD by hand, then
      restart Windows and install the game once more.
    - Ask the maker of your graphics card for its latest Windows 95
      driver. Some older cards cannot run DirectX programs at all; on such
      a computer, restart in MS-DOS mode and play the MS-DOS version.
  If the screen goes black or flickers when the game starts, install the
  DirectX drivers from the CD again.

Memory
  Starwake IV needs at least 16 MB RAM.
    - Under Windows 95 close other programs before you play, and let
      Windows manage virtual memory (Control Panel, System, Performance,
      Virtual Memory), with at least 20 MB free on the drive it uses.
    - Under MS-DOS the game needs 8 MB of free extended memory (XMS) and
      560 KB of free conventional memory. HIMEM.SYS must be loaded in
      CONFIG.SYS. If you are short of memory, run MKBOOT.EXE from the
      game's folder: it makes a boot floppy set up for Starwake IV.

Sound
  If you hear nothing under MS-DOS, check your card's BLASTER setting in
  AUTOEXEC.BAT (for example  SET BLASTER=A220 I5 D1 T4 ).

Graphics under MS-DOS
  If the high resolution mode does not start, run VBEDRV.EXE from the
  game's folder before STARTSW4; it adds VESA VBE 2.0 support to many
  older cards.


7. CONTACTING US
----------------
Quillmoor Interactive Technical Support
  Telephone: 555-0142, Monday to Friday, 9 am to 5 pm
  E-mail:    support@quillmoor.example
Please have your computer's make, its memory size, and the exact text of
any error message at hand when you call.
"""


def crlf(text):
    return text.lstrip("\n").replace("\n", "\r\n").encode("ascii")


def filler(name, size):
    """Tagged pseudo-random bytes, the same on every run."""
    tag = ("Starwake IV sample CD filler: %s\r\n\x1a" % name).encode("ascii")
    if size <= len(tag):
        return tag[:size]
    return tag + hashlib.shake_256(name.encode("ascii")).digest(size - len(tag))


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def copy_in(src, dst):
    if os.path.isdir(src):
        shutil.copytree(src, dst)
    else:
        shutil.copyfile(src, dst)


def set_times(root):
    for dirpath, dirs, files in os.walk(root, topdown=False):
        for name in files + dirs:
            os.utime(os.path.join(dirpath, name), (FILE_TIME, FILE_TIME))
    os.utime(root, (FILE_TIME, FILE_TIME))


def make(out, setup, game, dos_game=None, extras=()):
    # Refuse to wipe a folder that is not an earlier sample CD.
    if os.path.isdir(out) and os.listdir(out) and not os.path.exists(os.path.join(out, "sw4.cds")):
        sys.exit("%s exists and is not a sample CD; not removing it" % out)
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)

    copy_in(setup, os.path.join(out, "setup.exe"))
    copy_in(game, os.path.join(out, "SW4w.ex_"))
    copy_in(ICON, os.path.join(out, "swiv.ico"))
    if dos_game:
        copy_in(dos_game, os.path.join(out, "sw4.exe"))
    write(os.path.join(out, "setup.bat"), crlf(SETUP_BAT))
    write(os.path.join(out, "readme.txt"), crlf(README))
    for name, size in FILLER.items():
        if not os.path.exists(os.path.join(out, name)):
            write(os.path.join(out, name), filler(name, size))

    rest = sum(os.path.getsize(os.path.join(out, n)) for n in GAME_FILES if n != MUSIC)
    if TOTAL_BYTES - rest < 1_000_000:
        sys.exit("the programs are too large: only %d bytes left for %s" % (TOTAL_BYTES - rest, MUSIC))
    write(os.path.join(out, MUSIC), filler(MUSIC, TOTAL_BYTES - rest))

    for extra in extras:
        dst = os.path.join(out, os.path.basename(os.path.normpath(extra)))
        if os.path.exists(dst):
            sys.exit("%s would overwrite %s on the CD" % (extra, os.path.basename(dst)))
        copy_in(extra, dst)
    set_times(out)

    game_bytes = sum(os.path.getsize(os.path.join(out, n)) for n in GAME_FILES)
    assert MIN_TOTAL <= game_bytes <= MAX_TOTAL, game_bytes
    count = total = 0
    for dirpath, _, files in os.walk(out):
        count += len(files)
        total += sum(os.path.getsize(os.path.join(dirpath, n)) for n in files)
    return count, total, game_bytes


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--out", required=True, help="folder to (re)create")
    ap.add_argument("--setup", required=True, help="setup.exe to put in the root")
    ap.add_argument("--game", required=True, help="stand-in Windows game, copied as SW4w.ex_")
    ap.add_argument("--dos-game", help="stand-in DOS program, copied as sw4.exe")
    ap.add_argument("--extra", action="append", default=[], help="file or folder to copy in as is")
    a = ap.parse_args(argv)
    count, total, game_bytes = make(a.out, a.setup, a.game, a.dos_game, a.extra)
    print("sample CD: %d files, %s bytes (game files %d, %s bytes) in %s"
          % (count, format(total, ","), len(GAME_FILES), format(game_bytes, ","), a.out))


if __name__ == "__main__":
    main()
