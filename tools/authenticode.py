#!/usr/bin/env python3
# tools/authenticode.py: signs Windows programs with Authenticode (osslsigncode) and checks their signatures.
"""Signing with a PKCS#12 certificate, SHA-256 digests, optionally an RFC 3161 time stamp.

The password is only ever read from a file: osslsigncode gets -readpass FILE, openssl -passin file:FILE, so it
never shows on a command line or in an environment.
"""
import os
import re
import shutil
import struct
import subprocess

CERTIFICATE_TABLE = 4  # index of the certificate table among a PE file's data directories


class SigningError(Exception):
    pass


def _tool(name):
    path = shutil.which(name)
    if path is None:
        raise SigningError("%s is missing (Debian package %s)" % (name, name))
    return path


def _run(args):
    """Runs a tool without input; returns its status and its output (stdout and stderr) as text."""
    result = subprocess.run(args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return result.returncode, result.stdout.decode(errors="replace").strip()


def check_certificate(pkcs12, password_file):
    """Opens pkcs12 with the password and refuses a signer's certificate that is not meant for code signing."""
    openssl = _tool("openssl")
    base = [openssl, "pkcs12", "-in", pkcs12, "-passin", "file:" + password_file, "-nokeys", "-clcerts"]
    # Files exported by older Windows versions use RC2 or 3DES, which OpenSSL 3 reads with its legacy provider.
    for extra in ([], ["-legacy"]):
        result = subprocess.run(base + extra, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)
        if result.returncode == 0:
            break
    else:
        raise SigningError("cannot open %s: wrong password, or not a PKCS#12 file\n%s"
                           % (pkcs12, result.stderr.decode(errors="replace").strip()))
    usage = subprocess.run([openssl, "x509", "-noout", "-ext", "extendedKeyUsage"], input=result.stdout,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT).stdout.decode(errors="replace")
    if "Code Signing" not in usage:
        raise SigningError("the certificate in %s is not for code signing (its extended key usage lacks "
                           "Code Signing)" % pkcs12)


def is_signed(path):
    """Whether the Windows program at path carries a signature, i.e. a certificate table."""
    with open(path, "rb") as f:
        head = f.read(4096)
    try:
        pe = struct.unpack_from("<I", head, 0x3C)[0]
        if head[pe:pe + 4] != b"PE\0\0":
            raise struct.error
        optional = pe + 24
        directories = optional + (96 if struct.unpack_from("<H", head, optional)[0] == 0x10B else 112)
        return struct.unpack_from("<I", head, directories + 8 * CERTIFICATE_TABLE + 4)[0] != 0
    except struct.error:
        raise SigningError("%s is not a Windows program" % path)


def sign(path, work_path, pkcs12, password_file, signing_time=None, timestamp_url=None, description=None):
    """Signs path in place (through work_path) with SHA-256 digests; signing_time (seconds since 1970) fixes the
    signing time, timestamp_url adds an RFC 3161 time stamp, description is what the elevation prompt names."""
    args = [_tool("osslsigncode"), "sign", "-pkcs12", pkcs12, "-readpass", password_file, "-h", "sha256"]
    if description:
        args += ["-n", description]
    if signing_time is not None:
        args += ["-time", str(signing_time)]
    if timestamp_url:
        args += ["-ts", timestamp_url]
    status, out = _run(args + ["-in", path, "-out", work_path])
    if status != 0:
        if os.path.exists(work_path):
            os.remove(work_path)
        raise SigningError("signing %s failed:\n%s" % (os.path.basename(path), out))
    os.replace(work_path, path)


def verify(path, ca_file=None):
    """Checks the signature of path against the trust anchors in ca_file (default: the system's); returns the
    signer's subject, raises SigningError with osslsigncode's report when the check fails."""
    args = [_tool("osslsigncode"), "verify", "-in", path]
    if ca_file:
        args += ["-CAfile", ca_file]
    status, out = _run(args)
    if status != 0:
        raise SigningError("the signature of %s does not verify; osslsigncode says:\n%s"
                           % (os.path.basename(path), out))
    subject = re.search(r"Subject: *(.*)", out)
    return subject.group(1).strip() if subject else "?"
