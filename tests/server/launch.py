#!/usr/bin/env python3
"""Starts and stops the test server in the background, for the CTest fixture.

    launch.py start --dir FOLDER    starts test_server.py with its root FOLDER/root, port file
                                    FOLDER/port and pid file FOLDER/pid; returns once the port
                                    file exists (fails after 20 s). A server left running by an
                                    earlier run is stopped first. When openssl is available a
                                    self-signed certificate for 127.0.0.1 is made in FOLDER and
                                    the server also listens for HTTPS (for the tests that check
                                    that such a certificate is rejected).
    launch.py stop --dir FOLDER     stops the server whose pid is in FOLDER/pid.
"""

import argparse
import os
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def stop(folder):
    pid_file = os.path.join(folder, "pid")
    try:
        with open(pid_file) as f:
            pid = int(f.read().strip())
    except (OSError, ValueError):
        return 0
    try:
        os.kill(pid, signal.SIGTERM)
        for _ in range(100):
            time.sleep(0.05)
            os.kill(pid, 0)
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    except PermissionError:
        pass
    for name in ("pid", "port"):
        try:
            os.remove(os.path.join(folder, name))
        except OSError:
            pass
    return 0


def start(folder):
    os.makedirs(folder, exist_ok=True)
    stop(folder)
    port_file = os.path.join(folder, "port")
    try:
        os.remove(port_file)
    except OSError:
        pass
    command = [sys.executable, os.path.join(HERE, "test_server.py"), "--root", os.path.join(folder, "root"),
               "--port-file", port_file, "--pid-file", os.path.join(folder, "pid")]
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    try:
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                        "-out", cert, "-days", "7", "-subj", "/CN=127.0.0.1",
                        "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"],
                       check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        command += ["--tls-cert", cert, "--tls-key", key]
    except (OSError, subprocess.CalledProcessError):
        print("openssl unavailable: no HTTPS listener")
    with open(os.path.join(folder, "server.log"), "ab") as log:
        process = subprocess.Popen(
            command,
            stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
    deadline = time.time() + 20
    while time.time() < deadline:
        if os.path.exists(port_file):
            with open(port_file) as f:
                print("test server on ports", " ".join(f.read().split()))
            return 0
        if process.poll() is not None:
            print("test server ended with code", process.returncode, file=sys.stderr)
            return 1
        time.sleep(0.05)
    print("test server did not start", file=sys.stderr)
    process.kill()
    return 1


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=["start", "stop"])
    parser.add_argument("--dir", required=True)
    args = parser.parse_args()
    return start(args.dir) if args.action == "start" else stop(args.dir)


if __name__ == "__main__":
    sys.exit(main())
