// The status page: draws /api/v1/board and draws it again every few seconds.
// Everything it shows comes from orvant-web itself; it loads nothing from
// anywhere else, so it works on a network with no way out.
'use strict';

(function () {
  const REFRESH_MS = 5000;
  const T = JSON.parse(document.getElementById('texts').textContent);
  const russian = T.lang !== 'en';
  const locale = russian ? 'ru' : 'en';
  const tbody = document.querySelector('#hosts tbody');
  const filter = document.getElementById('filter');
  const notice = document.getElementById('notice');
  const popup = document.getElementById('popup');
  let board = null;
  let byAddress = new Map();
  let drawing = 0;

  function fill(text, ...values) {
    return values.reduce((s, v, i) => s.split('%' + (i + 1)).join(v), text);
  }

  function esc(value) {
    return String(value).replace(/[&<>"']/g, (c) => ({
      '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', "'": '&#39;'
    })[c]);
  }

  // Written out here rather than by Intl, whose locales a browser may lack:
  // the suite's own forms, a decimal comma in Russian.
  function number(value, digits) {
    const text = value.toFixed(digits);
    return russian ? text.replace('.', ',') : text;
  }

  function pad(n) {
    return String(n).padStart(2, '0');
  }

  function dateText(d) {
    return russian ? pad(d.getDate()) + '.' + pad(d.getMonth() + 1) + '.' + d.getFullYear()
      : d.getFullYear() + '-' + pad(d.getMonth() + 1) + '-' + pad(d.getDate());
  }

  function duration(seconds) {
    seconds = Math.max(0, Math.round(seconds));
    const d = Math.floor(seconds / 86400);
    const h = Math.floor((seconds % 86400) / 3600);
    const m = Math.floor((seconds % 3600) / 60);
    const s = seconds % 60;
    const parts = [];
    if (d) parts.push(fill(T.days, d));
    if (h) parts.push(fill(T.hours, h));
    if (m && !d) parts.push(fill(T.minutes, m));
    if (!d && !h) parts.push(fill(T.seconds, s));
    return parts.slice(0, 2).join(' ');
  }

  // In the browser's own time zone.
  function when(iso) {
    const d = new Date(iso);
    return dateText(d) + ' ' + pad(d.getHours()) + ':' + pad(d.getMinutes()) + ':' + pad(d.getSeconds());
  }

  function dayName(isoDay) {
    const [y, m, d] = isoDay.split('-').map(Number);
    return dateText(new Date(y, m - 1, d));
  }

  // A day's colour by its downtime over its watched time.
  function cellClass(watched, down) {
    if (watched <= 0) return 'cu';
    const share = down / watched;
    if (share <= 0) return 'c0';
    if (share < 0.001) return 'c1';
    if (share < 0.01) return 'c2';
    if (share < 0.1) return 'c3';
    return 'c4';
  }

  function cellTip(day, watched, down) {
    const name = dayName(day);
    if (watched <= 0) return fill(T.dayUnwatched, name);
    if (down <= 0) return fill(T.dayClean, name, duration(watched));
    return fill(T.dayDown, name, duration(down), duration(watched));
  }

  // The small chart of a host's last day: round trips as a line (a lone
  // hour as a dot), loss as red bars from the bottom; four elements, however
  // many hours, since a thousand of them are on the page. Its words are made
  // when the pointer is on it.
  function chart(host) {
    const w = 96, h = 26, n = host.chart_rtt_ms.length;
    if (!n) return '';
    const step = w / n;
    let top = 0;
    for (const v of host.chart_rtt_ms) if (v !== null && v > top) top = v;
    let line = '', bars = '', previous = null;
    for (let i = 0; i < n; ++i) {
      const rtt = host.chart_rtt_ms[i], loss = host.chart_loss_pct[i];
      if (loss !== null && loss > 0) {
        const lh = Math.max(1, Math.min(h, (loss / 100) * h));
        bars += 'M' + (i * step + 0.5).toFixed(1) + ' ' + h + 'v-' + lh.toFixed(1) + 'h' + (step - 1).toFixed(1) +
          'v' + lh.toFixed(1) + 'z';
      }
      if (rtt !== null && top > 0) {
        const x = (i * step + step / 2).toFixed(1), y = (h - 3 - (rtt / top) * (h - 6)).toFixed(1);
        line += (previous === i - 1 ? 'L' : 'M') + x + ' ' + y + (previous === i - 1 ? '' : 'h0');
        previous = i;
      }
    }
    return '<svg class="chart" width="' + w + '" height="' + h + '"><path class="base" d="M0 ' + (h - 0.5) + 'H' + w +
      '"/>' + (bars ? '<path class="loss" d="' + bars + '"/>' : '') +
      (line ? '<path class="rtt" d="' + line + '"/>' : '') + '</svg>';
  }

  function chartTip(host, hours) {
    const tips = [];
    host.chart_rtt_ms.forEach((rtt, i) => {
      const loss = host.chart_loss_pct[i];
      if (rtt === null && loss === null) return;
      const t = new Date(hours[i] * 1000);
      tips.push(fill(T.chartTip, pad(t.getHours()) + ':' + pad(t.getMinutes()),
        rtt === null ? T.none : fill(T.ms, number(rtt, 3)), loss === null ? T.none : number(loss, 1) + ' %'));
    });
    return tips.slice(-6).join('\n') || T.noData;
  }

  const rank = { down: 0, maintenance: 1, unwatched: 2, up: 3 };
  const collator = new Intl.Collator(locale);

  function sorted(hosts) {
    return hosts.slice().sort((a, b) =>
      (rank[a.state] - rank[b.state]) ||
      ((a.down_since ? 0 : 1) - (b.down_since ? 0 : 1)) ||
      (a.down_since && b.down_since ? Date.parse(a.down_since) - Date.parse(b.down_since) : 0) ||
      collator.compare(a.description, b.description) ||
      (a.address < b.address ? -1 : a.address > b.address ? 1 : 0));
  }

  function row(host, data, now) {
    const marks = [];
    if (host.muted) marks.push(esc(T.muted));
    if (host.maintenance) marks.push(esc(T.maintenance));
    if (host.parent) marks.push(esc(fill(T.behind, host.parent)));
    // Only a database of several vantage points has the list.
    if (host.vantages_down && host.vantages_down.length)
      marks.push(esc(fill(T.vantagesDown, host.vantages_down.join(', '))));
    let since = '';
    if (host.down_since)
      since = '<div class="since">' + esc(when(host.down_since)) + ' (' +
        esc(duration((now - Date.parse(host.down_since)) / 1000)) + ')</div>';
    const avail = ['24h', '7d', '30d', '90d', '365d'].map((w) => {
      const v = host.availability_pct[w];
      return '<td class="num">' + (v === null ? '–' : esc(number(v, 3))) + '</td>';
    }).join('');
    // A thousand hosts are ninety thousand cells: each holds only what the
    // page's readers need; its words are made when the pointer is on it.
    let cells = '';
    for (let i = 0; i < data.days.length; ++i) {
      const down = host.days_down_s[i];
      cells += '<i data-day="' + data.days[i] + '" data-down-s="' + down + '" class="' +
        cellClass(host.days_watched_s[i], down) + '"></i>';
    }
    return '<tr data-address="' + esc(host.address) + '" data-state="' + host.state + '" data-filter="' +
      esc((host.description + ' ' + host.address).toLowerCase()) + '">' +
      '<td><div class="desc">' + esc(host.description || host.address) + '</div><div class="addr">' +
      esc(host.address) + '</div>' + (marks.length ? '<div class="marks"><span>' + marks.join('</span><span>') +
        '</span></div>' : '') + '</td>' +
      '<td><span class="badge">' + esc(T[host.state] || host.state) + '</span>' + since + '</td>' +
      '<td class="num">' + (host.last_rtt_ms === null ? '–' : esc(fill(T.ms, number(host.last_rtt_ms, 3)))) + '</td>' +
      '<td class="num">' + (host.loss_pct_1h === null ? '–' : esc(number(host.loss_pct_1h, 1)) + ' %') + '</td>' +
      avail + '<td class="bar"><span class="cells">' + cells + '</span></td><td class="spark">' + chart(host) + '</td></tr>';
  }

  // Rows from `from` on (new ones are shown: nothing to do without words).
  function applyFilter(from = 0, always = true) {
    const words = filter.value.trim().toLowerCase();
    if (words === '' && !always) return;
    const rows = tbody.rows;
    for (let i = from; i < rows.length; ++i)
      rows[i].classList.toggle('hidden', words !== '' && !rows[i].dataset.filter.includes(words));
  }

  // After the next frame is painted.
  function later(fn) {
    requestAnimationFrame(() => setTimeout(fn, 0));
  }

  function draw(data) {
    board = data;
    const hosts = sorted(data.hosts);
    const now = Date.parse(data.generated);
    byAddress = new Map(data.hosts.map((h) => [h.address, h]));
    // The first screen at once, the rest after that screen was painted, so
    // the page shows its top (the hosts down) without waiting for a thousand
    // rows; the rest in one go (the browser lays out and paints a table's
    // rows faster together than a few hundred a frame).
    const generation = ++drawing;
    const first = 60, chunk = 5000;
    tbody.innerHTML = hosts.slice(0, first).map((h) => row(h, data, now)).join('');
    applyFilter(0, false);
    const rest = (from) => {
      if (generation !== drawing) return;
      if (from >= hosts.length) {
        if (!window.orvantAllDrawn) window.orvantAllDrawn = performance.now();
        return;
      }
      tbody.insertAdjacentHTML('beforeend', hosts.slice(from, from + chunk).map((h) => row(h, data, now)).join(''));
      applyFilter(from, false);
      later(() => rest(from + chunk));
    };
    later(() => rest(first));
    const down = data.hosts.filter((h) => h.state === 'down').length;
    const summary = document.getElementById('summary');
    summary.textContent = fill(T.summary, down, data.hosts.length);
    summary.classList.toggle('bad', down > 0);
    document.getElementById('last-pass').textContent = data.last_pass ?
      fill(data.watching ? T.lastPass : T.notWatching, when(data.last_pass)) : T.neverWatched;
    document.getElementById('updated').textContent = fill(T.updated, when(data.generated));
    showNotice(data.database ? '' : T.noDatabase);
    if (!window.orvantFirstDraw) {
      window.orvantFirstDraw = performance.now();
      performance.mark('orvant-first-draw');
    }
  }

  function showNotice(text) {
    notice.textContent = text;
    notice.hidden = !text;
  }

  async function refresh() {
    try {
      const response = await fetch('/api/v1/board', { cache: 'no-store', credentials: 'same-origin' });
      if (!response.ok) throw new Error(String(response.status));
      const data = await response.json();
      if (!window.orvantFirstData) window.orvantFirstData = performance.now();
      draw(data);
    } catch (e) {
      showNotice(T.noServer);
    } finally {
      setTimeout(refresh, REFRESH_MS);
    }
  }

  async function showOutages(cell) {
    const tr = cell.closest('tr');
    const address = tr.dataset.address;
    const day = cell.dataset.day;
    const host = byAddress.get(address);
    document.getElementById('popup-title').textContent =
      fill(T.outagesOf, host ? (host.description || address) : address, dayName(day));
    const body = document.getElementById('popup-body');
    body.textContent = '';
    popup.hidden = false;
    try {
      const response = await fetch('/api/v1/hosts/' + encodeURIComponent(address) + '/outages?from=' + day +
        '&to=' + day, { cache: 'no-store', credentials: 'same-origin' });
      if (!response.ok) throw new Error(String(response.status));
      const outages = await response.json();
      if (!outages.length) {
        body.textContent = T.noOutages;
        return;
      }
      body.innerHTML = '<table><thead><tr><th>' + esc(T.begin) + '</th><th>' + esc(T.end) + '</th><th>' +
        esc(T.duration) + '</th></tr></thead><tbody>' + outages.map((o) =>
          '<tr><td>' + esc(when(o.begin)) + '</td><td>' + (o.end ? esc(when(o.end)) : esc(T.ongoing)) +
          '</td><td class="num">' + esc(duration(o.duration_s)) + '</td></tr>').join('') + '</tbody></table>';
    } catch (e) {
      body.textContent = T.noServer;
    }
  }

  for (const el of document.querySelectorAll('[data-text]'))
    el.textContent = T[el.dataset.text] || '';
  filter.addEventListener('input', () => applyFilter());
  // Tooltips made when first pointed at.
  tbody.addEventListener('mouseover', (event) => {
    const target = event.target;
    if (target.title) return;
    const cell = target.closest('i[data-day]');
    const spark = cell ? null : target.closest('td.spark');
    if (!cell && !spark) return;
    const host = byAddress.get(target.closest('tr').dataset.address);
    if (!host || !board) return;
    if (cell) {
      const i = board.days.indexOf(cell.dataset.day);
      cell.title = cellTip(cell.dataset.day, host.days_watched_s[i], host.days_down_s[i]);
    } else {
      spark.title = chartTip(host, board.chart_hours);
    }
  });
  tbody.addEventListener('click', (event) => {
    const cell = event.target.closest('i[data-day]');
    if (cell) showOutages(cell);
  });
  document.getElementById('popup-close').addEventListener('click', () => { popup.hidden = true; });
  popup.addEventListener('click', (event) => { if (event.target === popup) popup.hidden = true; });
  document.addEventListener('keydown', (event) => { if (event.key === 'Escape') popup.hidden = true; });
  refresh();
}());
