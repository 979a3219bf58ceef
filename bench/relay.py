#!/usr/bin/env python3
"""A TCP relay that holds back every chunk for a while in each direction, so
that a server on this machine answers as one a few countries away would.

    bench/relay.py <listen port> <server port> [delay in ms, 10]

Listens on 127.0.0.1 and opens one connection to the server on 127.0.0.1 for
every client connection, so the server counts the clients' connections as
its own. Clients connect to it as if it were the server (it is no proxy).
A delay of 10 ms each way adds 20 ms to every round trip.

Each chunk is sent on when its own delay has passed, not after the one before
it has waited too, so the delay adds to the time a byte takes and leaves the
throughput alone; the order of the chunks is kept.
"""

import asyncio
import sys


async def pump(reader, writer, delay):
    """Reads from one side and writes to the other, every chunk delayed."""
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def deliver():
        while True:
            due, data = await queue.get()
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            if data is None:
                if writer.can_write_eof():
                    writer.write_eof()
                return
            writer.write(data)
            await writer.drain()

    delivering = asyncio.ensure_future(deliver())
    try:
        while True:
            data = await reader.read(1 << 16)
            # An end of the stream is held back as long as the data before it.
            queue.put_nowait((loop.time() + delay, data or None))
            if not data:
                break
        await delivering
    finally:
        delivering.cancel()


async def relay(client_reader, client_writer, server_port, delay):
    try:
        server_reader, server_writer = await asyncio.open_connection("127.0.0.1", server_port)
    except OSError:
        client_writer.close()
        return
    try:
        await asyncio.gather(pump(client_reader, server_writer, delay),
                             pump(server_reader, client_writer, delay))
    except (ConnectionError, OSError):
        pass
    finally:
        for writer in (client_writer, server_writer):
            writer.close()


async def main():
    listen_port, server_port = int(sys.argv[1]), int(sys.argv[2])
    delay = (float(sys.argv[3]) if len(sys.argv) > 3 else 10.0) / 1000
    server = await asyncio.start_server(
        lambda r, w: relay(r, w, server_port, delay), "127.0.0.1", listen_port)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        pass
