#!/usr/bin/python3
"""The status page in headless Chromium (through Selenium and chromedriver).

    web_page.py URL [--lang en|ru] [--expect ADDRESS=STATE ...] [--screenshot FILE]
                    [--user USER:PASSWORD] [--timeout S]

Waits until the page has drawn its rows, then checks: every expected row is
there in its state, each row has 90 day cells, the last one today; the page
logged no error in the browser's console and requested nothing from another
origin. Prints one JSON line of what it found (rows, first paint, the times
until the first screen of rows and all rows were drawn); exits 1 with the
reason on a failed check.
"""
import argparse
import base64
import datetime
import json
import shutil
import sys
import tempfile
import time
import urllib.parse

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By


def browser(lang, profile):
    opts = webdriver.ChromeOptions()
    for arg in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
                '--disable-component-update', '--disable-sync', '--no-first-run', '--disable-default-apps',
                '--window-size=1500,900', '--user-data-dir=' + profile):
        opts.add_argument(arg)
    opts.add_experimental_option('prefs', {'intl.accept_languages': 'en-US,en' if lang == 'en' else 'ru-RU,ru'})
    opts.set_capability('goog:loggingPrefs', {'browser': 'ALL', 'performance': 'ALL'})
    return webdriver.Chrome(service=Service(shutil.which('chromedriver') or '/usr/bin/chromedriver'), options=opts)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('url')
    parser.add_argument('--lang', default='ru')
    parser.add_argument('--expect', nargs='*', default=[])
    parser.add_argument('--screenshot')
    parser.add_argument('--user')
    parser.add_argument('--timeout', type=float, default=20)
    parser.add_argument('--rows', type=int, default=0, help='wait for at least this many rows')
    args = parser.parse_args()

    origin = urllib.parse.urlsplit(args.url)
    url = args.url
    base = '%s://%s' % (origin.scheme, origin.netloc)
    failures = []
    profile = tempfile.mkdtemp(prefix='orvant-chromium-')
    d = browser(args.lang, profile)
    try:
        if args.user:
            # What a browser sends once its user typed the password at the
            # prompt: Basic credentials with every request of the origin.
            d.execute_cdp_cmd('Network.enable', {})
            d.execute_cdp_cmd('Network.setExtraHTTPHeaders', {'headers': {
                'Authorization': 'Basic ' + base64.b64encode(args.user.encode()).decode()}})
        d.get(url)
        deadline = time.monotonic() + args.timeout
        want = max(args.rows, len(args.expect), 1)
        rows = []
        while time.monotonic() < deadline:
            rows = d.find_elements(By.CSS_SELECTOR, 'tbody tr[data-address]')
            if len(rows) >= want:
                break
            time.sleep(0.1)
        found = {}
        # Read in one go: a thousand rows one WebDriver call each would take long.
        table = d.execute_script("""
            return Array.from(document.querySelectorAll('tbody tr[data-address]')).map(tr => {
              const cells = tr.querySelectorAll('i[data-day]');
              return [tr.dataset.address, tr.dataset.state, cells.length,
                      cells.length ? cells[cells.length - 1].dataset.day : '',
                      Array.from(cells).map(c => Number(c.dataset.downS))];
            });""")
        today = datetime.date.today().isoformat()
        for address, state, count, last, downs in table:
            found[address] = {'state': state, 'days_down_s': downs}
            if count != 90:
                failures.append('%s has %d day cells, not 90' % (address, count))
            if last != today:
                failures.append('%s: the last cell is %s, not today %s' % (address, last, today))
        for pair in args.expect:
            address, state = pair.split('=', 1)
            if address not in found:
                failures.append('no row of %s (rows: %s)' % (address, sorted(found)))
            elif found[address]['state'] != state:
                failures.append('%s is %s, not %s' % (address, found[address]['state'], state))
        lang = d.execute_script('return document.documentElement.lang')
        if lang != args.lang:
            failures.append('the page is in %r, not %r' % (lang, args.lang))
        # Let a refresh or two run, so their errors would show too.
        time.sleep(1)
        errors = [e for e in d.get_log('browser') if e['level'] in ('SEVERE', 'WARNING')]
        if errors:
            failures.append('browser console: %s' % errors)
        elsewhere = set()
        for entry in d.get_log('performance'):
            message = json.loads(entry['message'])['message']
            if message.get('method') == 'Network.requestWillBeSent':
                # The browser's own pages (its new tab before ours) are no
                # request of the page's.
                if not message['params'].get('documentURL', '').startswith(base + '/'):
                    continue
                requested = message['params']['request']['url']
                if not (requested.startswith(base + '/') or requested.startswith('data:')):
                    elsewhere.add(requested)
        if elsewhere:
            failures.append('requests beyond %s: %s' % (base, sorted(elsewhere)))
        timing = d.execute_script("""
            const paint = performance.getEntriesByName('first-contentful-paint')[0];
            return [paint ? paint.startTime : null, window.orvantFirstDraw || null, window.orvantAllDrawn || null];""")
        if args.screenshot:
            d.save_screenshot(args.screenshot)
        print(json.dumps({'rows': len(table), 'first_contentful_paint_ms': timing[0],
                          'first_rows_drawn_ms': timing[1], 'rows_drawn_ms': timing[2], 'hosts': found}))
    finally:
        d.quit()
        shutil.rmtree(profile, ignore_errors=True)
    if failures:
        for f in failures:
            print('FAIL: ' + f, file=sys.stderr)
        sys.exit(1)


if __name__ == '__main__':
    main()
