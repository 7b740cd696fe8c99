#!/usr/bin/env python3
# tests/e2e/run_module.py: runs an end-to-end module as `python3 -m unittest -v` does, and tells the harness of
# every failure the moment it happens, so the open sessions photograph their screens and keep their folders.
"""Usage: run_module.py MODULE [TEST...]"""
import sys
import unittest

import harness


class FailureReportingResult(unittest.TextTestResult):
    def addFailure(self, test, err):
        harness.failure_seen(test.id())
        super().addFailure(test, err)

    def addError(self, test, err):
        harness.failure_seen(test.id())
        super().addError(test, err)

    def addSubTest(self, test, subtest, err):
        if err is not None:
            harness.failure_seen(subtest.id())
        super().addSubTest(test, subtest, err)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    unittest.main(module=sys.argv[1], argv=sys.argv[:1] + sys.argv[2:],
                  testRunner=unittest.TextTestRunner(resultclass=FailureReportingResult, verbosity=2))
