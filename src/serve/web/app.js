// The live pages: the events stream says a newer version is out, the page fetches
// itself again and swaps the live part in place (no reload, no flicker), keeping the
// open splits, the scroll and the big screen's place in its rotation.
'use strict';
(function () {
  const body = document.body;
  let known = Number(body.dataset.version) || 0;
  let wanted = 0;
  let busy = false;

  function keepOpen(from, to) {
    const open = new Set();
    from.querySelectorAll('details[open]').forEach((d) => open.add(d.id));
    to.querySelectorAll('details').forEach((d) => { if (open.has(d.id)) d.open = true; });
  }

  async function refresh() {
    if (busy) return;
    busy = true;
    try {
      while (wanted > known) {
        const target = wanted;
        const response = await fetch(location.pathname + location.search, { cache: 'no-cache' });
        if (!response.ok) break;
        const doc = new DOMParser().parseFromString(await response.text(), 'text/html');
        const fresh = doc.getElementById('live');
        const live = document.getElementById('live');
        if (!fresh || !live) break;
        keepOpen(live, fresh);
        const y = window.scrollY;
        live.replaceWith(document.adoptNode(fresh));
        window.scrollTo(0, y);
        document.title = doc.title;
        // A body made for an older version is still the newest: the stream said so.
        known = Math.max(target, Number(doc.body.dataset.version) || 0);
        body.dataset.version = String(known);
        if (rotation) rotation.swapped();
      }
    } catch (e) {
      // The stream's next message tries again.
    } finally {
      busy = false;
    }
  }

  // The big screen: the classes of ?classes=0,2,5 (all when absent), each for
  // ?seconds=15 or as long as a slow scroll through it takes.
  const rotation = body.dataset.page === 'screen' ? (function () {
    body.classList.add('js');
    const query = new URLSearchParams(location.search);
    const seconds = Math.max(3, Number(query.get('seconds')) || 15);
    const chosen = (query.get('classes') || '').split(',').filter((s) => /^\d+$/.test(s));
    const speed = 40; // pixels a second
    const pause = 2000;
    let index = 0;
    let current = null;
    let shownAt = 0;
    let scrolled = 0;
    let last = 0;

    function sections() {
      const all = Array.from(document.querySelectorAll('#live .scr'));
      if (!chosen.length) return all;
      return chosen.map((c) => all.find((s) => s.dataset.class === c)).filter(Boolean);
    }
    // Marks the class at `index` shown (again after a swap brought new sections).
    function show() {
      const list = sections();
      current = list.length ? list[index % list.length] : null;
      index = list.length ? index % list.length : 0;
      document.querySelectorAll('#live .scr').forEach((s) => s.classList.toggle('on', s === current));
    }
    function start(now) {
      shownAt = now;
      scrolled = 0;
      show();
      if (current) current.querySelector('.scroll').scrollTop = 0;
    }
    function tick(now) {
      const dt = last ? now - last : 0;
      last = now;
      if (current) {
        const box = current.querySelector('.scroll');
        const room = box.scrollHeight - box.clientHeight;
        if (now - shownAt > pause && scrolled < room) {
          scrolled = Math.min(room, scrolled + (speed * dt) / 1000);
          box.scrollTop = scrolled;
        }
        const needed = Math.max(seconds * 1000, room > 0 ? pause * 2 + (room / speed) * 1000 : 0);
        if (now - shownAt >= needed) {
          index += 1;
          start(now);
        }
      } else if (now - shownAt >= seconds * 1000) {
        start(now);
      }
      requestAnimationFrame(tick);
    }
    requestAnimationFrame((now) => { start(now); tick(now); });
    return {
      swapped() {
        show();
        if (current) current.querySelector('.scroll').scrollTop = scrolled;
      },
    };
  })() : null;

  if (window.EventSource) {
    const events = new EventSource('/events');
    events.onmessage = (message) => {
      const version = Number(message.data);
      if (!(version > known)) return;
      wanted = Math.max(wanted, version);
      refresh();
    };
  }
})();
