#!/usr/bin/env python3
"""A real SMTP server for the mail tests.

Runs aiosmtpd on 127.0.0.1 with a port the system picks and prints that port on the first line
of standard output. Every accepted message is stored in FOLDER as NNN.eml (the bytes received)
and NNN.json (envelope, login and whether the connection was TLS). AUTH LOGIN (and PLAIN, which
the client must never pick when LOGIN is offered) succeeds for USER and PASSWORD; with --cert and
--key the server speaks TLS from the first byte.
"""
import argparse
import asyncio
import json
import os
import signal
import ssl
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class StoreHandler:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, "%03d" % self.count)
        auth = getattr(session, "auth_data", None)
        meta = {
            "mail_from": envelope.mail_from,
            "mail_options": envelope.mail_options,
            "rcpt_tos": envelope.rcpt_tos,
            "login": auth.login.decode() if isinstance(auth, LoginPassword) else None,
            "mechanism": getattr(session, "auth_mechanism", None),
            "tls": server.transport.get_extra_info("ssl_object") is not None,
        }
        with open(base + ".eml.tmp", "wb") as f:
            f.write(envelope.original_content or envelope.content)
        with open(base + ".json.tmp", "w") as f:
            json.dump(meta, f)
        os.replace(base + ".eml.tmp", base + ".eml")
        os.replace(base + ".json.tmp", base + ".json")
        return "250 2.0.0 Message accepted for delivery"


def make_authenticator(user, password):
    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login == user.encode()
              and auth_data.password == password.encode())
        session.auth_mechanism = mechanism
        return AuthResult(success=ok, auth_data=auth_data if ok else None)
    return authenticator


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--user", default="mailer")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()
    # aiosmtpd warns about its own legacy attributes on every login.
    warnings.simplefilter("ignore")

    context = None
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)

    handler = StoreHandler(args.folder)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        lambda: SMTP(handler, hostname="aiosmtpd.test", auth_require_tls=False,
                     authenticator=make_authenticator(args.user, args.password)),
        host="127.0.0.1", port=0, ssl=context)
    print(server.sockets[0].getsockname()[1], flush=True)

    stop = loop.create_future()
    loop.add_signal_handler(signal.SIGTERM, stop.set_result, None)
    await stop
    server.close()


if __name__ == "__main__":
    asyncio.run(main())
