#!/usr/bin/python3
"""A real SMTP server for the tests: every message it accepts is stored,
decoded by Python's own e-mail parser, in a numbered folder under FOLDER:
subject, envelope (sender, recipients, login), body, body_type and the
attachments by their file names. FOLDER/ready appears once it listens."""
import argparse
import email
import email.policy
import pathlib
import signal
import threading
import logging
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        work = self.folder / f".{self.count:03d}"
        work.mkdir()
        msg = email.message_from_bytes(envelope.content, policy=email.policy.default)
        (work / "raw.eml").write_bytes(envelope.content)
        (work / "subject").write_text(str(msg["subject"]), encoding="utf-8")
        login = session.auth_data.decode() if isinstance(session.auth_data, bytes) else ""
        (work / "envelope").write_text(
            f"{envelope.mail_from}\n{','.join(envelope.rcpt_tos)}\n{login}\n", encoding="utf-8")
        body = msg.get_body(("html", "plain"))
        (work / "body").write_text(body.get_content(), encoding="utf-8", newline="")
        (work / "body_type").write_text(body.get_content_type())
        for part in msg.iter_attachments():
            (work / "attachments").mkdir(exist_ok=True)
            (work / "attachments" / part.get_filename()).write_bytes(part.get_payload(decode=True))
        # The test reads only complete messages.
        work.rename(self.folder / f"{self.count:03d}")
        return "250 Message accepted"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("port", type=int)
    parser.add_argument("folder", type=pathlib.Path)
    parser.add_argument("--user")
    parser.add_argument("--password")
    args = parser.parse_args()
    # It says that AUTH without TLS is unsafe; on loopback, for a test, it is meant.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)

    def check(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login.decode() == args.user
              and auth_data.password.decode() == args.password)
        return AuthResult(success=ok, handled=False, auth_data=auth_data.login if ok else None)

    auth = {}
    if args.user:
        auth = dict(authenticator=check, auth_required=True, auth_require_tls=False)
    controller = Controller(Store(args.folder), hostname="127.0.0.1", port=args.port, **auth)
    controller.start()
    (args.folder / "ready").touch()
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    stop.wait()
    controller.stop()


if __name__ == "__main__":
    main()
