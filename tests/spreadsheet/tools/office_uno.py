"""Headless LibreOffice driven through UNO, for the scripts that make fixtures with it."""
import os
import subprocess
import sys
import time

import uno
from com.sun.star.beans import PropertyValue


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def start_office(profile, name):
    """Starts soffice with its own profile folder; returns the process, the remote component
    context and the desktop, once it answers on its pipe (exits when it does not in a minute)."""
    pipe = "sheaver_%s_%d" % (name, os.getpid())
    office = subprocess.Popen(["soffice", "--headless", "--invisible", "--norestore",
                               "-env:UserInstallation=" + uno.systemPathToFileUrl(profile),
                               "--accept=pipe,name=%s;urp;" % pipe])
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    for _ in range(120):
        try:
            remote = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
            break
        except Exception:
            time.sleep(0.5)
    else:
        sys.exit("LibreOffice did not start")
    desktop = remote.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", remote)
    return office, remote, desktop


def stop_office(office, desktop):
    """Ends soffice started by start_office and waits for it."""
    try:
        desktop.terminate()
    except Exception:
        pass
    office.wait(timeout=60)
