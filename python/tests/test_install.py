"""A user's view: the package installed with pip into a fresh virtual environment,
the README's example as written, and the pxi_machine fixture in the user's own tests."""

import re
import shutil
import subprocess

from conftest import SOURCE_DIR, build_dir, run_python, tool_environment

USER_TESTS = '''
import pytest
import qxpxi

def test_example_machine(pxi_machine):
    assert len(qxpxi.chassis("Quarrix", "QX PXIe-1092")) == 2

def test_fault(pxi_machine):
    pxi_machine.inject_fault("QxPciBrd_OpenSession", -313008)
    with pytest.raises(qxpxi.errors.PciBrdNotLoaded):
        qxpxi.chassis("Quarrix", "QX PXIe-1092")

@pytest.mark.pxi_machine("empty.json")
def test_own_machine_file(pxi_machine):
    assert qxpxi.chassis("Quarrix", "QX PXIe-1092") == []
'''


def readme_example() -> str:
    text = (SOURCE_DIR / "README.md").read_text()
    blocks = re.findall(r"```python\n(.*?)```", text, re.DOTALL)
    assert len(blocks) == 1
    return blocks[0]


def test_readme_example_runs_as_written(tmp_path):
    example = readme_example()
    assert len(example.strip().splitlines()) <= 10
    (tmp_path / "example.py").write_text(example)
    result = run_python([str(tmp_path / "example.py")], cwd=str(tmp_path))
    assert result.returncode == 0, result.stderr
    assert result.stdout.splitlines() == [
        "1 ['0x4', '0x9']",
        "2 ['0x13', '0x19']",
        "Quarrix PXIe-8881 (QXSMBUS::0::31::3::0) embedded 1092B000117",
        "backplane 25 degrees C",
    ]


def test_pip_install_into_a_fresh_venv_then_example_and_user_tests(tmp_path):
    # The tree is copied first (the header link resolved), so the build leaves nothing
    # in the source tree.
    source = tmp_path / "src"
    shutil.copytree(SOURCE_DIR / "python", source, ignore=shutil.ignore_patterns("tests", "build", "*.egg-info", "__pycache__"))
    venv = tmp_path / "venv"
    made = run_python(["-m", "venv", "--system-site-packages", str(venv)], python="/usr/bin/python3",
                      loads_libraries=False)
    assert made.returncode == 0, made.stderr
    python = str(venv / "bin" / "python")
    # The README's command, offline: nothing may come from an index.
    install = run_python(["-m", "pip", "install", "--no-index", "--no-build-isolation", str(source)],
                         python=python, env={"PYTHONPATH": None, "PIP_FIND_LINKS": None},
                         loads_libraries=False)
    assert install.returncode == 0, install.stdout + install.stderr
    installed = venv / "lib"
    assert list(installed.glob("python3*/site-packages/qxpxi/py.typed"))
    assert list(installed.glob("python3*/site-packages/qxpxi/qxstatus.h"))

    user = tmp_path / "user"
    user.mkdir()
    (user / "example.py").write_text(readme_example())
    environment = {"PYTHONPATH": None, "QXPXI_LIBRARY_DIR": str(build_dir() / "lib")}
    ran = run_python(["example.py"], python=python, cwd=str(user), env=environment)
    assert ran.returncode == 0 and "backplane 25 degrees C" in ran.stdout, ran.stderr

    (user / "empty.json").write_text("{}")
    (user / "test_station.py").write_text(USER_TESTS)
    tests = run_python(["-m", "pytest", "-q", "-p", "no:cacheprovider"], python=python, cwd=str(user), env=environment)
    assert tests.returncode == 0, tests.stdout + tests.stderr
    assert "3 passed" in tests.stdout


def test_installed_components_work_without_the_tree(tmp_path):
    # The libraries, the stand-ins and the package as their Debian packages lay them
    # out: the stand-ins and the example machine are found from the libraries' place,
    # and pytest finds the fixture through the installed entry point.
    prefix = tmp_path / "usr"
    for component in ("qxpxi", "qxpxi-sim", "python3-qxpxi"):
        done = subprocess.run(["cmake", "--install", str(build_dir()), "--prefix", str(prefix),
                               "--component", component], capture_output=True, text=True,
                              env=tool_environment())
        assert done.returncode == 0, done.stdout + done.stderr
    site = prefix / "lib" / "python3" / "dist-packages"
    environment = {"PYTHONPATH": str(site), "QXPXI_LIBRARY_DIR": str(prefix / "lib")}
    user = tmp_path / "user"
    user.mkdir()
    (user / "example.py").write_text(readme_example())
    ran = run_python(["example.py"], cwd=str(user), env=environment)
    assert ran.returncode == 0 and "backplane 25 degrees C" in ran.stdout, ran.stderr
    inventory = run_python(["-m", "qxpxi", "--simulate"], cwd=str(user), env=environment)
    assert inventory.returncode == 0, inventory.stderr
    assert "simulated machine: %s" % (prefix / "share/qxpxi/examples/machines/example-machine.json") in inventory.stdout
    (user / "empty.json").write_text("{}")
    (user / "test_station.py").write_text(USER_TESTS)
    tests = run_python(["-m", "pytest", "-q", "-p", "no:cacheprovider"], cwd=str(user), env=environment)
    assert tests.returncode == 0 and "3 passed" in tests.stdout, tests.stdout + tests.stderr
