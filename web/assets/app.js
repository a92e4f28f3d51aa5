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

  function chart(host, hours) {
    const w = 96, h = 26, n = host.chart_rtt_ms.length;
    if (!n) return '';
    const step = w / n;
    const rtts = host.chart_rtt_ms.filter((v) => v !== null);
    const top = rtts.length ? Math.max(...rtts) : 0;
    let svg = '<svg class="chart" width="' + w + '" height="' + h + '" viewBox="0 0 ' + w + ' ' + h + '">';
    svg += '<line class="base" x1="0" y1="' + (h - 0.5) + '" x2="' + w + '" y2="' + (h - 0.5) + '"/>';
    let path = '';
    let tips = [];
    host.chart_rtt_ms.forEach((rtt, i) => {
      const loss = host.chart_loss_pct[i];
      if (loss !== null && loss > 0) {
        const lh = Math.max(1, Math.min(h, (loss / 100) * h));
        svg += '<rect class="loss" x="' + (i * step + 0.5).toFixed(1) + '" y="' + (h - lh).toFixed(1) +
          '" width="' + (step - 1).toFixed(1) + '" height="' + lh.toFixed(1) + '"/>';
      }
      if (rtt !== null && top > 0) {
        const x = (i * step + step / 2).toFixed(1);
        const y = (h - 2 - (rtt / top) * (h - 4)).toFixed(1);
        path += (path ? ' L' : 'M') + x + ' ' + y;
      }
      if (rtt !== null || loss !== null) {
        const t = new Date(hours[i] * 1000);
        const hour = pad(t.getHours()) + ':' + pad(t.getMinutes());
        tips.push(fill(T.chartTip, hour, rtt === null ? T.none : fill(T.ms, number(rtt, 3)),
          loss === null ? T.none : number(loss, 1) + ' %'));
      }
    });
    if (path) svg += '<path class="rtt" d="' + path + '"/>';
    svg += '<title>' + esc(tips.slice(-6).join('\n') || T.noData) + '</title></svg>';
    return svg;
  }

  const rank = { down: 0, maintenance: 1, unwatched: 2, up: 3 };

  function sorted(hosts) {
    return hosts.slice().sort((a, b) =>
      (rank[a.state] - rank[b.state]) ||
      ((a.down_since ? 0 : 1) - (b.down_since ? 0 : 1)) ||
      (a.down_since && b.down_since ? Date.parse(a.down_since) - Date.parse(b.down_since) : 0) ||
      a.description.localeCompare(b.description, locale) ||
      a.address.localeCompare(b.address));
  }

  function row(host, data) {
    const now = Date.parse(data.generated);
    const marks = [];
    if (host.muted) marks.push(esc(T.muted));
    if (host.maintenance) marks.push(esc(T.maintenance));
    if (host.parent) marks.push(esc(fill(T.behind, host.parent)));
    let since = '';
    if (host.down_since)
      since = '<div class="since">' + esc(when(host.down_since)) + ' (' +
        esc(duration((now - Date.parse(host.down_since)) / 1000)) + ')</div>';
    const avail = ['24h', '7d', '30d', '90d', '365d'].map((w) => {
      const v = host.availability_pct[w];
      return '<td class="num">' + (v === null ? '–' : esc(number(v, 3))) + '</td>';
    }).join('');
    let cells = '';
    for (let i = 0; i < data.days.length; ++i) {
      const watched = host.days_watched_s[i], down = host.days_down_s[i];
      cells += '<i data-day="' + data.days[i] + '" data-down-s="' + down + '" data-watched-s="' + watched +
        '" class="' + cellClass(watched, down) + '" title="' + esc(cellTip(data.days[i], watched, down)) + '"></i>';
    }
    return '<tr data-address="' + esc(host.address) + '" data-state="' + host.state + '" data-filter="' +
      esc((host.description + ' ' + host.address).toLowerCase()) + '">' +
      '<td><div class="desc">' + esc(host.description || host.address) + '</div><div class="addr">' +
      esc(host.address) + '</div>' + (marks.length ? '<div class="marks"><span>' + marks.join('</span><span>') +
        '</span></div>' : '') + '</td>' +
      '<td><span class="badge">' + esc(T[host.state] || host.state) + '</span>' + since + '</td>' +
      '<td class="num">' + (host.last_rtt_ms === null ? '–' : esc(fill(T.ms, number(host.last_rtt_ms, 3)))) + '</td>' +
      '<td class="num">' + (host.loss_pct_1h === null ? '–' : esc(number(host.loss_pct_1h, 1)) + ' %') + '</td>' +
      avail + '<td><span class="cells">' + cells + '</span></td><td>' + chart(host, data.chart_hours) + '</td></tr>';
  }

  function applyFilter() {
    const words = filter.value.trim().toLowerCase();
    for (const tr of tbody.rows)
      tr.classList.toggle('hidden', words !== '' && !tr.dataset.filter.includes(words));
  }

  function draw(data) {
    board = data;
    const hosts = sorted(data.hosts);
    tbody.innerHTML = hosts.map((h) => row(h, data)).join('');
    applyFilter();
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
      draw(await response.json());
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
    const host = board && board.hosts.find((h) => h.address === address);
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
  filter.addEventListener('input', applyFilter);
  tbody.addEventListener('click', (event) => {
    const cell = event.target.closest('i[data-day]');
    if (cell) showOutages(cell);
  });
  document.getElementById('popup-close').addEventListener('click', () => { popup.hidden = true; });
  popup.addEventListener('click', (event) => { if (event.target === popup) popup.hidden = true; });
  document.addEventListener('keydown', (event) => { if (event.key === 'Escape') popup.hidden = true; });
  refresh();
}());
