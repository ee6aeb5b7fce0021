#!/usr/bin/python3
"""Reads one RFC 5322 message file with Python's email package and prints
what the mail tests check as JSON: the raw header lines, the decoded
headers, the body part and every attachment, and the parser's defects."""
import base64
import email
import email.policy
import json
import sys


def defects_of(message):
    found = [type(d).__name__ for d in message.defects]
    for part in message.walk():
        if part is not message:
            found += [type(d).__name__ for d in part.defects]
    return found


def part_info(part):
    return {
        "content_type": part.get_content_type(),
        "charset": part.get_content_charset(),
        "transfer_encoding": part.get("Content-Transfer-Encoding", "7bit"),  # the default of RFC 2045
        "disposition": part.get_content_disposition(),
        "filename": part.get_filename(),
    }


def text_of(part):
    """The decoded text with plain line ends, without the one line end a
    transfer encoding adds after the last line."""
    text = part.get_content().replace("\r\n", "\n")
    return text[:-1] if text.endswith("\n") else text


def main(path):
    raw = open(path, "rb").read()
    message = email.message_from_bytes(raw, policy=email.policy.default)
    head = raw.split(b"\r\n\r\n", 1)[0]
    body = message.get_body(preferencelist=("plain", "html"))
    attachments = []
    for part in message.iter_attachments():
        info = part_info(part)
        info["content_base64"] = base64.b64encode(part.get_payload(decode=True)).decode()
        attachments.append(info)
    result = {
        "raw_header_lines": head.decode("ascii", "replace").split("\r\n"),
        "crlf_only": b"\n" not in raw.replace(b"\r\n", b"") and b"\r" not in raw.replace(b"\r\n", b""),
        "ascii_only": all(b < 0x80 for b in raw),
        "longest_line": max(len(line) for line in raw.split(b"\r\n")),
        "header_names": list(message.keys()),
        "from": str(message.get("From", "")),
        "to": str(message.get("To", "")),
        "subject": str(message.get("Subject", "")),
        "date": str(message.get("Date", "")),
        "message_id": str(message.get("Message-ID", "")),
        "mime_version": str(message.get("MIME-Version", "")),
        "content_type": message.get_content_type(),
        "body": dict(part_info(body), text=text_of(body)) if body is not None else None,
        "attachments": attachments,
        "defects": defects_of(message),
    }
    json.dump(result, sys.stdout)


if __name__ == "__main__":
    main(sys.argv[1])
