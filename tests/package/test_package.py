# The Debian package, made from the tested build and installed on this machine with apt-get.
# Changes /usr: CTest runs it alone (resource lock "system"), and it removes the package again
# even when a check fails.
import glob, os, subprocess, tempfile

import pytest

BUILD = os.environ["QUILVO_BUILD_DIR"]
VERSION = os.environ["QUILVO_VERSION"]
APP_ID = "app.quilvo.Quilvo"
APT_ENV = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
# Waits for another package manager (an unattended upgrade) instead of failing at once.
APT = ("apt-get", "-y", "-q", "-o", "DPkg::Lock::Timeout=300")


def run(*argv, **env):
    result = subprocess.run(argv, capture_output=True, text=True, env=dict(APT_ENV, **env))
    assert result.returncode == 0, f"{argv}: {result.stdout}{result.stderr}"
    return result


@pytest.fixture(scope="module")
def package():
    with tempfile.TemporaryDirectory() as out:
        os.chmod(out, 0o755)  # apt reads a local package as its unprivileged user
        run("cpack", "--config", f"{BUILD}/CPackConfig.cmake", "-B", out)
        [deb] = glob.glob(f"{out}/quilvo_*.deb")
        run("dpkg", "--purge", "quilvo")  # a copy left by an interrupted run
        try:
            run(*APT, "install", "--no-install-recommends", deb)
            yield deb
        finally:
            run(*APT, "remove", "quilvo")
            left = run("find", "/usr/bin", "/usr/share", "/etc", "-iname", "*quilvo*").stdout
            run("dpkg", "--purge", "quilvo")
        assert left == ""


def test_installed_programs_report_version_and_read_the_shipped_catalogue(package):
    for program in ("quilvo", "quilvo-cli"):
        assert run(f"/usr/bin/{program}", "--version").stdout == f"{program} {VERSION}\n"
    run("/usr/bin/quilvo-cli", "--check-catalogue", "/usr/share/quilvo/stations.json")


def test_desktop_finds_entry_metadata_man_pages_and_icon(package):
    run("desktop-file-validate", f"/usr/share/applications/{APP_ID}.desktop")
    run("appstreamcli", "validate", "--no-net", f"/usr/share/metainfo/{APP_ID}.metainfo.xml")
    for page in ("quilvo", "quilvo-cli"):
        assert run("man", "-w", "-L", "C", page).stdout.startswith("/usr/share/man/man1/")
        assert run("man", "-w", "-L", "zh_CN", page).stdout.startswith("/usr/share/man/zh_CN/")
    icon = run("/usr/bin/python3", "-c", "import gi; gi.require_version('Gtk', '3.0');"
               f"from gi.repository import Gtk; print(Gtk.IconTheme.new().lookup_icon('{APP_ID}',"
               " 48, 0).get_filename())", DISPLAY="").stdout
    assert icon == f"/usr/share/icons/hicolor/48x48/apps/{APP_ID}.png\n"


def test_lintian_finds_no_error(package):
    run("lintian", "--fail-on", "error", package)
