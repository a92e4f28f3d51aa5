#!/usr/bin/python3
"""Many clients at once against orvant-web.

    web_clients.py HOST PORT CLIENTS REQUESTS [PATH ...]

Each client keeps one connection and asks for the paths in turn, REQUESTS
times; all start together. Prints the statuses and the slowest answer;
exits 1 unless every answer was 200 with a body of its Content-Length.
"""
import http.client
import sys
import threading
import time


def client(host, port, requests, paths, results, start):
    start.wait()
    conn = http.client.HTTPConnection(host, port, timeout=30)
    for i in range(requests):
        path = paths[i % len(paths)]
        t = time.monotonic()
        try:
            conn.request('GET', path)
            response = conn.getresponse()
            body = response.read()
            length = int(response.getheader('Content-Length', '-1'))
            results.append((response.status if len(body) == length else -1, time.monotonic() - t))
        except Exception as e:  # a broken connection counts as a failure, and the client goes on anew
            results.append((repr(e), time.monotonic() - t))
            conn.close()
            conn = http.client.HTTPConnection(host, port, timeout=30)
    conn.close()


def main():
    host, port, clients, requests = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    paths = sys.argv[5:] or ['/api/v1/hosts']
    results = []
    start = threading.Event()
    threads = [threading.Thread(target=client, args=(host, port, requests, paths, results, start))
               for _ in range(clients)]
    for t in threads:
        t.start()
    begun = time.monotonic()
    start.set()
    for t in threads:
        t.join()
    took = time.monotonic() - begun
    statuses = {}
    for status, _ in results:
        statuses[status] = statuses.get(status, 0) + 1
    slowest = max(t for _, t in results)
    print('%d clients x %d requests in %.2f s: %s, slowest %.0f ms' %
          (clients, requests, took, statuses, slowest * 1000))
    if statuses != {200: clients * requests}:
        sys.exit(1)


if __name__ == '__main__':
    main()
