#!/usr/bin/env python3
"""delay-relay.py LISTEN_PORT TARGET_HOST TARGET_PORT DELAY_MS COUNT_FILE

A TCP relay on 127.0.0.1 that holds every chunk DELAY_MS in each direction,
in order, like a slow network between the program and a device server. For
each connection it appends to COUNT_FILE how many frame starts (three 0xFF
bytes in a row) went towards the device, so a run with latency can be held
against one without: a frame sent again shows as more starts.
"""
import asyncio
import sys


async def pipe(reader, writer, delay, counter=None):
    queue = asyncio.Queue()

    async def pump():
        while True:
            due, data = await queue.get()
            if data is None:
                break
            wait = due - asyncio.get_running_loop().time()
            if wait > 0:
                await asyncio.sleep(wait)
            writer.write(data)
            await writer.drain()
        writer.close()

    task = asyncio.create_task(pump())
    tail = b""
    while True:
        data = await reader.read(4096)
        if counter is not None and data:
            seen = tail + data
            counter[0] += seen.count(b"\xff\xff\xff") - tail.count(b"\xff\xff\xff")
            tail = seen[-2:]
        await queue.put((asyncio.get_running_loop().time() + delay, data or None))
        if not data:
            break
    await task


async def main():
    listen, host, port, delay_ms, count_file = sys.argv[1:6]
    delay = int(delay_ms) / 1000.0

    async def handle(client_reader, client_writer):
        server_reader, server_writer = await asyncio.open_connection(host, int(port))
        counter = [0]
        await asyncio.gather(pipe(client_reader, server_writer, delay, counter),
                             pipe(server_reader, client_writer, delay))
        with open(count_file, "a") as f:
            f.write(f"{counter[0]}\n")

    server = await asyncio.start_server(handle, "127.0.0.1", int(listen))
    async with server:
        await server.serve_forever()


asyncio.run(main())
