# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""Waiting on a condition with a deadline: the only way scenarios wait."""

import time

# Generous: the scenarios share a loaded two-core machine with the build and
# the other tests. A condition that holds returns at once, so only a failing
# scenario ever waits this long.
DEFAULT_TIMEOUT = 30.0


class ConditionTimeout(AssertionError):
    pass


def wait_until(condition, what, timeout=DEFAULT_TIMEOUT, interval=0.05):
    """Polls `condition` until it returns something true and returns that;
    fails the scenario with `what` once `timeout` seconds have passed."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise ConditionTimeout(f"gave up after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)
