#!/usr/bin/python3
"""A real SMTP server on loopback for the mail tests.

    smtp_sink.py serve FOLDER [--refuse-recipients] [--auth USER:PASSWORD] [--starttls CERT KEY]
                              [--smtps CERT KEY]
        Listens on 127.0.0.1 at a free port and prints "PORT <n>" once it accepts
        connections. Every message it receives is written to FOLDER as msg-<n>.json (see
        describe()), complete before the server answers the end of the data.
        --refuse-recipients answers every RCPT TO with 550.
        --auth offers AUTH (without TLS) and refuses mail until that login succeeds; each
        login attempt adds a line to FOLDER/auth.log: "tls" or "clear".
        --starttls offers STARTTLS with that certificate and key (not required). Each
        message file records whether its session was encrypted ("tls").
        --smtps speaks TLS from the first byte with that certificate and key.

    smtp_sink.py parse FILE
        Prints the describe() JSON of a message file (a pickup folder's .eml).

Messages are read back with Python's own email parser, so the tests check our MIME text
against an independent reader rather than against our own.

Run it with /usr/bin/python3: Debian's python3-aiosmtpd belongs to that interpreter.
"""

import argparse
import asyncio
import base64
import email
import email.policy
import json
import os
import sys


def describe(raw, mail_from=None, rcpt_tos=None, tls=False):
    message = email.message_from_bytes(raw, policy=email.policy.default)
    parts = []
    defects = [str(d) for d in message.defects]
    for part in message.walk():
        defects += [str(d) for d in part.defects]
        if part.is_multipart():
            continue
        payload = part.get_payload(decode=True) or b""
        parts.append({
            "content_type": part.get_content_type(),
            "charset": part.get_content_charset() or "",
            "filename": part.get_filename() or "",
            "disposition": part.get_content_disposition() or "",
            "payload_b64": base64.b64encode(payload).decode("ascii"),
        })
    return {
        "mail_from": mail_from,
        "rcpt_tos": rcpt_tos or [],
        "raw_b64": base64.b64encode(raw).decode("ascii"),
        "headers": [[name, str(value)] for name, value in message.items()],
        "content_type": message.get_content_type(),
        "parts": parts,
        "defects": defects,
        "tls": tls,
    }


class Sink:
    def __init__(self, folder, refuse_recipients, offer_auth, implicit_tls):
        self.folder = folder
        self.implicit_tls = implicit_tls  # every session is encrypted from its first byte
        self.refuse_recipients = refuse_recipients
        self.offer_auth = offer_auth
        self.count = 0

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        # Without --auth no AUTH is offered, encrypted or not: a relay that takes mail without a login.
        session.host_name = hostname
        return [line for line in responses if self.offer_auth or not line[4:].startswith("AUTH")]

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.refuse_recipients:
            return "550 5.1.1 Mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        target = os.path.join(self.folder, "msg-%04d.json" % self.count)
        content = json.dumps(describe(envelope.original_content or envelope.content,
                                      envelope.mail_from, list(envelope.rcpt_tos),
                                      session.ssl is not None or self.implicit_tls))
        with open(target + ".part", "w", encoding="utf-8") as out:
            out.write(content)
        os.replace(target + ".part", target)
        return "250 Message accepted"


def make_authenticator(login, folder, implicit_tls):
    from aiosmtpd.smtp import AuthResult, LoginPassword
    user, _, password = login.partition(":")

    def authenticate(server, session, envelope, mechanism, auth_data):
        with open(os.path.join(folder, "auth.log"), "a", encoding="utf-8") as log:
            log.write("tls\n" if session.ssl is not None or implicit_tls else "clear\n")
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login.decode() == user and auth_data.password.decode() == password)
        # handled=False: the server itself answers 235 or 535.
        return AuthResult(success=ok, handled=False)
    return authenticate


def server_context(certificate, key):
    import ssl
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(certificate, key)
    return context


def serve(args):
    from aiosmtpd.smtp import SMTP
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    handler = Sink(args.folder, args.refuse_recipients, bool(args.auth), bool(args.smtps))
    options = {"hostname": "sink.test", "loop": loop}
    if args.auth:
        options.update(authenticator=make_authenticator(args.auth, args.folder, bool(args.smtps)), auth_required=True,
                       auth_require_tls=False)

    if args.starttls:
        options.update(tls_context=server_context(*args.starttls), require_starttls=False)
    wrapped = server_context(*args.smtps) if args.smtps else None
    server = loop.run_until_complete(
        loop.create_server(lambda: SMTP(handler, **options), host="127.0.0.1", port=0, ssl=wrapped))
    print("PORT %d" % server.sockets[0].getsockname()[1], flush=True)
    loop.run_forever()


def main():
    parser = argparse.ArgumentParser()
    commands = parser.add_subparsers(dest="command", required=True)
    serve_command = commands.add_parser("serve")
    serve_command.add_argument("folder")
    serve_command.add_argument("--refuse-recipients", action="store_true")
    serve_command.add_argument("--auth")
    serve_command.add_argument("--starttls", nargs=2, metavar=("CERT", "KEY"))
    serve_command.add_argument("--smtps", nargs=2, metavar=("CERT", "KEY"))
    parse_command = commands.add_parser("parse")
    parse_command.add_argument("file")
    args = parser.parse_args()
    if args.command == "serve":
        serve(args)
    else:
        with open(args.file, "rb") as message:
            json.dump(describe(message.read()), sys.stdout)


if __name__ == "__main__":
    main()
