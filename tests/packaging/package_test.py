#!/usr/bin/env python3
"""The Debian package and the install rules, checked with the tools a distribution uses.

Builds the package with CPack into a temporary folder, lists its files, validates its
desktop entry (desktop-file-validate), its metainfo (appstreamcli) and its manual pages
(man -l), unpacks it with dpkg-deb -x and runs dravel --version and dravelfmt from the
unpacked tree, checking that dravelfmt loads the sensor library from the tree's
lib/<multiarch>/dravel/. Then installs into a prefix and under DESTDIR the same way.

Usage: package_test.py <build folder> <version> <multiarch>
"""
import os
import re
import struct
import subprocess
import sys
import tempfile

DEADLINE = 300  # seconds for any one command


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def run(args, env=None, check=True):
    result = subprocess.run(args, env=env, capture_output=True, text=True, timeout=DEADLINE)
    if check and result.returncode != 0:
        fail("%s ended with %d:\n%s%s" % (" ".join(args), result.returncode, result.stdout,
                                          result.stderr))
    return result


def bare_env(**extra):
    """No display at all: the programs must answer without one."""
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    env.update(extra)
    return env


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        fail(path + " is not a PNG file")
    return struct.unpack(">II", head[16:24])


def expected_files(multiarch):
    files = ["usr/bin/dravel", "usr/bin/dravelfmt",
             "usr/lib/%s/dravel/MBMStarter.so" % multiarch,
             "usr/share/applications/dravel.desktop",
             "usr/share/icons/hicolor/scalable/apps/dravel.svg",
             "usr/share/man/man1/dravel.1.gz", "usr/share/man/man1/dravelfmt.1.gz",
             "usr/share/metainfo/com.kelmarsoftware.dravel.metainfo.xml",
             "usr/lib/systemd/user/dravel-server.service",
             "usr/lib/systemd/system/dravel-server.service"]
    files += ["usr/share/icons/hicolor/%dx%d/apps/dravel.png" % (s, s)
              for s in (16, 22, 32, 48, 64, 128, 256)]
    return files


def long_options(program):
    """Every long option the program's own --help names: the manual page must name them too."""
    with tempfile.TemporaryDirectory() as runtime:
        usage = run([program, "--help"], env=bare_env(XDG_RUNTIME_DIR=runtime, HOME=runtime))
    options = tuple(sorted(set(re.findall(r"--[a-z][a-z0-9-]*", usage.stdout))))
    if not options:
        fail("%s --help names no long option" % program)
    return options


def check_tree(root, prefix, multiarch, version):
    """An installed tree under root/prefix: the programs answer and find their library."""
    base = os.path.join(root, prefix)
    for size in (16, 22, 32, 48, 64, 128, 256):
        icon = os.path.join(base, "share/icons/hicolor/%dx%d/apps/dravel.png" % (size, size))
        if png_size(icon) != (size, size):
            fail("%s is %dx%d" % ((icon,) + png_size(icon)))

    dravel = os.path.join(base, "bin", "dravel")
    with tempfile.TemporaryDirectory() as runtime:
        env = bare_env(XDG_RUNTIME_DIR=runtime, HOME=runtime)
        shown = run([dravel, "--version"], env=env)
        if shown.stdout != "Dravel %s\n" % version:
            fail("dravel --version printed %r" % shown.stdout)
        usage = run([dravel, "--help"], env=env).stdout
        for switch in ("-c, -C", "-i<HOST>", "-p<PORT>", "-d<PASSWORD>", "--version"):
            if switch not in usage:
                fail("dravel --help does not mention " + switch)
        if os.listdir(runtime):
            fail("--help and --version touched the runtime folder: %s" % os.listdir(runtime))

    library = os.path.realpath(os.path.join(base, "lib", multiarch, "dravel", "MBMStarter.so"))
    env = bare_env(LD_DEBUG="files")
    fmt = run([os.path.join(base, "bin", "dravelfmt"), "--count", "1", "--interval", "300",
               "--plain", "Temp <NAME=Temp1> Fan <NAME=Fan1>"], env=env)
    if not fmt.stdout.startswith("Temp "):
        fail("dravelfmt printed %r" % fmt.stdout)
    loaded = [line for line in fmt.stderr.splitlines()
              if "MBMStarter.so" in line and "calling init" in line]
    if not loaded:
        fail("dravelfmt did not load the sensor library:\n" + fmt.stderr[-2000:])
    init_path = loaded[0].split("calling init:", 1)[1].strip()
    if os.path.realpath(init_path) != library:
        fail("dravelfmt loaded %s, not %s" % (init_path, library))


def check_package(build, version, multiarch, work):
    out = os.path.join(work, "out")
    run(["cpack", "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"), "-B", out])
    arch = run(["dpkg", "--print-architecture"]).stdout.strip()
    deb = os.path.join(out, "dravel_%s_%s.deb" % (version, arch))
    if not os.path.exists(deb):
        fail("no %s among %s" % (os.path.basename(deb), os.listdir(out)))

    listing = run(["dpkg-deb", "-c", deb]).stdout
    names = set()
    for line in listing.splitlines():
        name = line.split()[-1]
        if not line.startswith("d"):
            names.add(name[2:] if name.startswith("./") else name)
    missing = [f for f in expected_files(multiarch) if f not in names]
    if missing:
        fail("the package lacks %s; it holds:\n%s" % (missing, listing))
    print("package %s holds %d files" % (os.path.basename(deb), len(names)))

    depends = run(["dpkg-deb", "-f", deb, "Depends"]).stdout
    for needed in ("libqt6widgets6", "libsqlite3-0", "libc6", "qt6-qpa-plugins"):
        if needed not in depends:
            fail("Depends lacks %s: %s" % (needed, depends))

    root = os.path.join(work, "root")
    run(["dpkg-deb", "-x", deb, root])
    share = os.path.join(root, "usr", "share")
    run(["desktop-file-validate", os.path.join(share, "applications", "dravel.desktop")])
    run(["appstreamcli", "validate", "--no-net",
         os.path.join(share, "metainfo", "com.kelmarsoftware.dravel.metainfo.xml")])
    bin_folder = os.path.join(root, "usr", "bin")
    for page, words in (("dravel.1.gz", ("-i", "-p", "-d", "-h", "-l", "-?", "registry.db",
                                        "autostart", "_WSDLADMIN.INI", "drnettmp.htm")
                         + long_options(os.path.join(bin_folder, "dravel"))),
                        ("dravelfmt.1.gz", long_options(os.path.join(bin_folder, "dravelfmt")))):
        shown = run(["man", "--warnings", "-l", os.path.join(share, "man", "man1", page)],
                    env=bare_env(MANWIDTH="100", MANPAGER="cat", PAGER="cat"))
        if shown.stderr.strip():
            fail("man -l %s warned: %s" % (page, shown.stderr))
        for word in ("NAME", "SYNOPSIS", "OPTIONS", "FILES") + words:
            if word not in shown.stdout:
                fail("man page %s does not mention %s" % (page, word))
    check_tree(root, "usr", multiarch, version)


def check_install(build, version, multiarch, work):
    prefix = os.path.join(work, "prefix")
    run(["cmake", "--install", build, "--prefix", prefix])
    for name in expected_files(multiarch):
        if not os.path.exists(os.path.join(prefix, name[len("usr/"):])):
            fail("the prefix install lacks " + name)
    check_tree(prefix, "", multiarch, version)

    dest = os.path.join(work, "dest")
    run(["cmake", "--install", build, "--prefix", "/opt/dravel"], env=dict(os.environ, DESTDIR=dest))
    check_tree(dest, "opt/dravel", multiarch, version)


def main():
    if len(sys.argv) != 4:
        fail(__doc__)
    build, version, multiarch = sys.argv[1:]
    with tempfile.TemporaryDirectory() as work:
        check_package(os.path.abspath(build), version, multiarch, work)
        check_install(os.path.abspath(build), version, multiarch, work)
    print("package and install layout: OK")


if __name__ == "__main__":
    main()
