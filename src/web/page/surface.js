'use strict';
// The browser surface: draws the program's state and sends gestures over one WebSocket.
(() => {
  const SLOTS = 24, PAGES = 5, SNAPSHOTS = 10, MAX = 127, PAGE_STEP = 8;
  const token = new URLSearchParams(location.search).get('token') || '';
  const $ = (id) => document.getElementById(id);
  // Why the socket closed, as the page tells it: 1008 a wrong token, 4013 too many pages.
  const LOST = {
    1008: 'Access refused: the address is out of date. Open the one the program shows.',
    4013: 'Too many pages are open; trying again…',
    other: 'Connection lost, reconnecting…',
  };

  function make(tag, cls, parent, text) {
    const e = document.createElement(tag);
    if (cls) e.className = cls;
    if (text !== undefined) e.textContent = text;
    if (parent) parent.appendChild(e);
    return e;
  }
  const clamp = (v) => Math.max(0, Math.min(MAX, Math.round(v)));

  // Black or white, whichever reads better on the caption's colour.
  function textOn(hex) {
    if (!/^#[0-9a-f]{6}$/i.test(hex)) return '';
    const n = parseInt(hex.slice(1), 16);
    const lum = 0.299 * (n >> 16) + 0.587 * ((n >> 8) & 255) + 0.114 * (n & 255);
    return lum > 140 ? '#000' : '#fff';
  }

  // ---- Connection -------------------------------------------------------------------------
  const link = {
    socket: null,
    delay: 500,
    send(msg) {
      if (this.socket && this.socket.readyState === WebSocket.OPEN) this.socket.send(JSON.stringify(msg));
    },
    open() {
      const scheme = location.protocol === 'https:' ? 'wss' : 'ws';
      const ws = new WebSocket(`${scheme}://${location.host}/ws?token=${encodeURIComponent(token)}`);
      this.socket = ws;
      ws.onmessage = (e) => {
        let msg;
        try { msg = JSON.parse(e.data); } catch (_) { return; }
        if (msg.type === 'state') {
          this.delay = 500;  // only a page the program took resets the backoff
          surface.showState(msg);
        } else if (msg.type === 'slots' && Array.isArray(msg.slots)) msg.slots.forEach((s) => surface.showSlot(s));
      };
      ws.onclose = (e) => {
        if (this.socket !== ws) return;
        this.socket = null;
        surface.setOnline(false, LOST[e.code] || LOST.other);
        // Backoff with a little jitter so many pages do not return at once.
        setTimeout(() => this.open(), this.delay * (0.8 + 0.4 * Math.random()));
        this.delay = Math.min(this.delay * 2, 8000);
      };
    },
  };

  // Moves go out at most once per animation frame per slot, with the latest value.
  const outbox = {
    moves: new Map(),
    frame: 0,
    move(slot, value) {
      this.moves.set(slot, value);
      if (!this.frame) this.frame = requestAnimationFrame(() => this.flush());
    },
    flush() {
      this.frame = 0;
      for (const [slot, value] of this.moves) {
        link.send({ type: 'move', slot, value });
        surface.slots[slot - 1].later = null;
      }
      this.moves.clear();
    },
  };

  // ---- One slot column -------------------------------------------------------------------
  class Slot {
    constructor(n, parent) {
      this.n = n;
      this.value = 0;
      this.enabled = true;
      this.down = false;
      this.pointer = null;  // the pointer holding the fader, if any
      this.offset = 0;
      this.later = null;  // a value from elsewhere since this page's last move, while held
      this.captionText = '';
      this.color = '';
      const root = (this.root = make('div', 'slot', parent));
      make('div', 'number', root, String(n));
      this.valueBox = make('div', 'value', root, '0');
      const f = (this.fader = make('div', 'fader', root));
      f.setAttribute('role', 'slider');
      f.setAttribute('aria-valuemin', '0');
      f.setAttribute('aria-valuemax', String(MAX));
      f.setAttribute('aria-orientation', 'vertical');
      f.dataset.slot = String(n);
      f.tabIndex = 0;
      make('div', 'groove', f);
      this.marker = make('div', 'marker', f);
      this.thumb = make('div', 'thumb', f);
      this.toggle = make('button', 'toggle', root, '●');
      this.toggle.type = 'button';
      this.toggle.dataset.button = String(n);
      this.toggle.setAttribute('aria-label', `Button ${n}`);
      this.toggle.addEventListener('click', () => link.send({ type: 'button', slot: n, down: !this.down }));
      this.caption = make('div', 'caption', root);
      this.listen();
      this.draw();
    }

    listen() {
      const f = this.fader;
      f.addEventListener('pointerdown', (e) => {
        if (!this.enabled || this.pointer !== null || e.button > 0) return;
        e.preventDefault();
        f.focus({ preventScroll: true });
        f.setPointerCapture(e.pointerId);
        this.pointer = e.pointerId;
        f.classList.add('held');
        // Grabbing the thumb keeps its offset; elsewhere the thumb jumps to the finger.
        const at = this.valueAt(e.clientY);
        this.offset = Math.abs(at - this.value) <= this.thumbValues() ? this.value - at : 0;
        this.userMove(at + this.offset);
      });
      f.addEventListener('pointermove', (e) => {
        if (e.pointerId === this.pointer) this.userMove(this.valueAt(e.clientY) + this.offset);
      });
      const release = (e) => {
        if (e.pointerId === this.pointer) this.letGo();
      };
      f.addEventListener('pointerup', release);
      f.addEventListener('pointercancel', release);
      f.addEventListener('lostpointercapture', release);
      f.addEventListener('keydown', (e) => {
        const steps = { ArrowUp: 1, ArrowRight: 1, ArrowDown: -1, ArrowLeft: -1, PageUp: PAGE_STEP, PageDown: -PAGE_STEP };
        let v;
        if (e.key in steps) v = this.value + steps[e.key];
        else if (e.key === 'Home') v = 0;
        else if (e.key === 'End') v = MAX;
        else return;
        e.preventDefault();
        if (this.enabled) this.userMove(v);
      });
    }

    // The program's value since the last move, if any, shows once the finger is off.
    letGo() {
      this.pointer = null;
      this.fader.classList.remove('held');
      if (this.later !== null) this.value = this.later;
      this.later = null;
      this.draw();
    }

    thumbValues() {
      const h = this.fader.clientHeight - this.thumb.offsetHeight;
      return h > 0 ? (this.thumb.offsetHeight / 2 / h) * MAX : MAX;
    }

    valueAt(clientY) {
      const r = this.fader.getBoundingClientRect();
      const t = this.thumb.offsetHeight;
      const span = Math.max(1, r.height - t);
      return MAX * (1 - (clientY - r.top - t / 2) / span);
    }

    userMove(v) {
      v = clamp(v);
      if (v === this.value) return;
      this.value = v;
      this.draw();
      outbox.move(this.n, v);
    }

    // State from the program. A held fader keeps the finger's value: no pull-back by echoes.
    show(s) {
      if (Number.isInteger(s.value)) {
        if (this.pointer === null) this.value = clamp(s.value);
        else this.later = clamp(s.value);
      }
      this.enabled = s.enabled !== false;
      this.down = !!s.down;
      this.hasButton = s.button !== false;
      this.captionText = String(s.caption ?? '');
      this.color = String(s.color ?? '');
      this.lower = clamp(Math.min(s.lower ?? 0, s.upper ?? MAX));
      this.upper = clamp(Math.max(s.lower ?? 0, s.upper ?? MAX));
      this.draw();
    }

    draw() {
      const f = this.fader;
      this.root.classList.toggle('disabled', !this.enabled);
      this.valueBox.textContent = String(this.value);
      f.setAttribute('aria-valuenow', String(this.value));
      f.setAttribute('aria-label', this.captionText || `Slot ${this.n}`);
      f.setAttribute('aria-disabled', String(!this.enabled));
      f.style.setProperty('--pos', String((MAX - this.value) / MAX));
      this.marker.hidden = this.upper === undefined;
      f.style.setProperty('--hi', String((MAX - (this.upper ?? MAX)) / MAX));
      f.style.setProperty('--lo', String((this.lower ?? 0) / MAX));
      // A slot whose button sits under its slider shows it, out of reach, as the main window does.
      this.toggle.disabled = !this.enabled || this.hasButton === false;
      this.toggle.setAttribute('aria-pressed', String(this.down));
      this.caption.textContent = this.captionText || '';
      this.caption.style.background = this.enabled ? this.color : '';
      this.caption.style.color = this.enabled ? textOn(this.color) : '';
    }
  }

  // ---- The whole surface -----------------------------------------------------------------
  const surface = {
    slots: [],
    pages: [],
    snapshots: [],
    take: false,
    page: 0,

    build() {
      for (let n = 1; n <= SLOTS; ++n) this.slots.push(new Slot(n, $('slots')));
      for (let p = 1; p <= PAGES; ++p) {
        const b = this.button($('pages'), `Page ${p}`, () => link.send({ type: 'page', page: p }));
        b.dataset.page = String(p);
        this.pages.push(b);
      }
      for (let s = 0; s < SNAPSHOTS; ++s) {
        const b = this.button($('snapshots'), String(s), () => link.send({ type: 'snapshot', slot: s }));
        b.dataset.snapshot = String(s);
        this.snapshots.push(b);
      }
      $('take').addEventListener('click', () => link.send({ type: 'take', on: !this.take }));
      this.setOnline(false, 'Connecting…');
    },

    button(parent, text, onClick) {
      const b = make('button', '', parent, text);
      b.type = 'button';
      b.addEventListener('click', onClick);
      return b;
    },

    setOnline(on, why) {
      $('lost').hidden = on;
      if (why) $('lost').textContent = why;
      document.body.classList.toggle('offline', !on);
    },

    showState(msg) {
      this.setOnline(true);
      if (msg.page !== this.page) {
        // Another page's slots: a held fader and unsent moves belong to the old one.
        outbox.moves.clear();
        this.slots.forEach((s) => { s.later = null; if (s.pointer !== null) s.letGo(); });
        this.page = msg.page;
      }
      this.pages.forEach((b, i) => b.setAttribute('aria-pressed', String(msg.page === i + 1)));
      (msg.snapshots || []).forEach((s) => {
        const b = this.snapshots[s.slot];
        if (!b) return;
        b.textContent = s.name || String(s.slot);
        b.title = b.textContent;
        b.disabled = s.enabled === false;
      });
      this.take = !!msg.take;
      $('take').setAttribute('aria-pressed', String(this.take));
      const out = $('output');
      out.classList.toggle('on', !!msg.output);
      out.textContent = msg.output ? 'MIDI out' : 'No MIDI out';
      $('snapshots').setAttribute('aria-label', `Snapshots, bank ${msg.bank}`);
      (msg.slots || []).forEach((s) => this.showSlot(s));
    },

    showSlot(s) {
      const slot = this.slots[(s && s.slot) - 1];
      if (slot) slot.show(s);
    },
  };

  surface.build();
  link.open();
})();
