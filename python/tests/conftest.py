import os
import tempfile

import pytest


@pytest.fixture
def folder():
    root = os.environ.get("ZYN_TEST_TMP") or tempfile.gettempdir()
    os.makedirs(root, exist_ok=True)
    with tempfile.TemporaryDirectory(dir=root) as path:
        yield path
