"""The package's tests run on a build tree: QX_BUILD_DIR names it (ctest sets it, with
QXPXI_LIBRARY_DIR=<build>/lib and PYTHONPATH=<source>/python)."""

import os
import pathlib
import subprocess
import sys
from typing import Dict, List, Optional

import pytest

import qxpxi.pytest_plugin


def pytest_configure(config):
    # The plugin of the package under test, unless its entry point loaded it already.
    if not config.pluginmanager.is_registered(qxpxi.pytest_plugin):
        config.pluginmanager.register(qxpxi.pytest_plugin, "qxpxi")

SOURCE_DIR = pathlib.Path(__file__).resolve().parents[2]


def build_dir() -> pathlib.Path:
    named = os.environ.get("QX_BUILD_DIR")
    if not named:
        pytest.fail("QX_BUILD_DIR must name the build tree the tests run on")
    return pathlib.Path(named)


# What the sanitizer configuration preloads for the instrumented libraries. Programs that
# do not load them (cmake, cc, pip) run without: some of them hang with it.
_SANITIZER_VARIABLES = ("LD_PRELOAD", "ASAN_OPTIONS")


def tool_environment() -> Dict[str, str]:
    """This process's environment for a program that loads none of the libraries."""
    return {name: value for name, value in os.environ.items() if name not in _SANITIZER_VARIABLES}


def run_python(args: List[str], env: Optional[Dict[str, str]] = None, cwd: Optional[str] = None,
               python: str = sys.executable, loads_libraries: bool = True) -> subprocess.CompletedProcess:
    """Another Python process; ``env`` changes this process's environment (None: remove)."""
    environment = dict(os.environ) if loads_libraries else tool_environment()
    for name, value in (env or {}).items():
        if value is None:
            environment.pop(name, None)
        else:
            environment[name] = value
    return subprocess.run([python] + args, env=environment, cwd=cwd, capture_output=True, text=True, timeout=240)
