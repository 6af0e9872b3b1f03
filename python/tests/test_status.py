"""Status codes: the classes agree with what the C header says about every code."""

import subprocess

import pytest

import qxpxi
from qxpxi import errors
from conftest import SOURCE_DIR, tool_environment

# Prints every row of the header's table and the texts of two unlisted codes, as a C
# host sees them.
_PRINT_TABLE = r"""
#include <stdio.h>
#include <qxpxi/qxstatus.h>
int main(void) {
    unsigned i;
    for (i = 0; i < sizeof(qxpxi_status_table) / sizeof(qxpxi_status_table[0]); ++i)
        printf("%d\t%s\t%s\n", (int)qxpxi_status_table[i].code, qxpxi_status_table[i].name,
               qxpxi_status_table[i].meaning);
    printf("%d\t%s\t%s\n", -7, qxpxi_status_name(-7), qxpxi_status_meaning(-7));
    printf("%d\t%s\t%s\n", 7, qxpxi_status_name(7), qxpxi_status_meaning(7));
    return 0;
}
"""


@pytest.fixture(scope="module")
def c_table(tmp_path_factory):
    directory = tmp_path_factory.mktemp("ctable")
    source = directory / "table.c"
    source.write_text(_PRINT_TABLE)
    binary = directory / "table"
    subprocess.run(["cc", "-I", str(SOURCE_DIR / "include"), str(source), "-o", str(binary)], check=True,
                   env=tool_environment())
    lines = subprocess.run([str(binary)], check=True, capture_output=True, text=True,
                           env=tool_environment()).stdout.splitlines()
    return [(int(code), name, meaning) for code, name, meaning in (line.split("\t") for line in lines)]


def test_every_code_raises_or_warns_its_class_with_the_headers_name_and_meaning(c_table):
    *listed, unlisted_error, unlisted_warning = c_table
    assert len(listed) == len(errors.STATUS)
    classes = set()
    for code, name, meaning in listed:
        assert errors.status_info(code) == (code, name, meaning)
        if code == 0:
            errors.check(0, "call")  # success: neither raised nor warned
            continue
        cls = errors.error_class(code)
        classes.add(cls)
        assert getattr(errors, cls.__name__) is cls and cls.__name__ in errors.__all__
        if code < 0:
            with pytest.raises(cls) as caught:
                errors.check(code, "PXISA_Call")
            status = caught.value
            assert isinstance(status, qxpxi.QxPxiError)
        else:
            with pytest.warns(cls) as caught:
                errors.check(code, "PXISA_Call")
            status = caught[0].message
            assert isinstance(status, qxpxi.QxPxiWarning)
        assert (status.code, status.name, status.meaning, status.call) == (code, name, meaning, "PXISA_Call")
        assert str(status) == "PXISA_Call: %d %s: %s" % (code, name, meaning)
    assert len(classes) == len(listed) - 1  # one class per code
    for code, name, meaning in (unlisted_error, unlisted_warning):
        assert errors.status_info(code) == (code, name, meaning)
    with pytest.raises(errors.ServiceError) as caught:
        errors.check(-7, "x")
    assert caught.value.meaning == unlisted_error[2]


@pytest.mark.parametrize(
    "code, class_name",
    [
        (-52005, "InvalidParameter"),
        (-52003, "SoftwareFaultAPALInternalUseOnly"),
        (-313331, "DbNotFound"),
        (-313003, "PciBrdNotFound"),
        (-26900, "EepromChecksumMismatch"),
        (313300, "NoFilesMatched"),
    ],
)
def test_classes_are_named_after_the_status(code, class_name):
    assert errors.error_class(code) is getattr(qxpxi.errors, class_name)


def test_the_installed_header_is_the_one_source():
    # The package reads the header it ships; in the source tree that is a link to the
    # public header, not a copy.
    link = SOURCE_DIR / "python" / "qxpxi" / "qxstatus.h"
    assert link.is_symlink()
    assert link.resolve() == (SOURCE_DIR / "include" / "qxpxi" / "qxstatus.h").resolve()
