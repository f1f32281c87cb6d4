# The benchmark table from scripts/bench.sh's raw figures (fields split at '|'). Frame rows:
# engine + rasterizer + copy, beside trig + memset + memcpy floors and GDI's pens; CPU rows
# beside what the frame cost predicts at that tick rate. Set size to the .scr's bytes.
function ok(v, t) { return v < t ? "yes" : "**no**" }
# A floor in CPU: presenting alone at that rate, plus the step's pixels visited once (native).
function floor_of(present, visit_us, ms) { return sprintf("floor %.2f%% (presenting alone %.2f%% + the step's pixels visited once, native, %.2f%%)", present + 100 * visit_us / 1000 / ms, present, 100 * visit_us / 1000 / ms) }
$1 == "frame" { nat[$2] = $0; order[++n] = $2 }
$1 == "raster" { if (!($2 in rs)) rorder[++rn] = $2; rs[$2] = 1; ras[$2, $3] = $4 }
$1 == "winframe" { w[$2] = $0 }
$1 == "cpu" { cpu[$2] = $0 }
$1 == "ticks" { tk[$2] = $3 }
$1 == "startup" { st = $0 }
$1 == "x11cpu" && $2 ~ /^vellicord2 --root/ { x11[++nx11] = $0 }
$1 == "x11cpu" && $2 ~ /^vellicord2 [0-9]/ { split($2, sz, " "); hack[sz[2]] = $0; sizes[++nsizes] = sz[2] }
# The defaults at 1024x768 also beside the program's floor, with the heaviest settings below.
$1 == "x11cpu" && $2 == "vellicord2 1024x768" { x11[++nx11] = "x11cpu|vellicord2 --root, defaults (14 ms)|" $3 "|" $4 }
$1 == "x11cpu" && $2 ~ /^helix/ { split($2, sz, " "); helix[sz[2]] = $0 }
$1 == "x11cpu" && $2 ~ /^floor/ { x11floor[$2] = $3 }
$1 == "x11frames" { xf[$2, $3] = $0 }
$1 == "x11cost" { putcost = $0 }
END {
  print "| figure | measured | floor or peer (same run) | target |"
  print "|---|---|---|---|"
  for (i = 1; i <= n; i++) {
    c = order[i]; split(nat[c], a, "|"); worst = c ~ /w10/
    tot = a[4] + a[6]
    tgt = worst ? "< 2000 us: " ok(tot, 2000) : "< 500 us: " ok(tot, 500)
    printf "| frame, %s (buffer %s), native: engine + raster | %.1f + %.1f = **%.0f us** | trig %.1f + memset %.1f us; memcpy %.1f us | %s |\n", c, a[3], a[4], a[6], tot, a[5], a[7], a[8], tgt
    if (c in w) {
      split(w[c], b, "|"); wt = b[4] + b[6] + b[9]; fc[c] = b[4] + b[13]
      printf "| frame, %s, Wine: engine + raster + copy (SetDIBitsToDevice) | %.1f + %.1f + %.1f = **%.0f us** | trig %.1f + memset %.1f + memcpy %.1f us; GDI pens: draw %.0f + BitBlt %.0f = %.0f us | - |\n", c, b[4], b[6], b[9], wt, b[5], b[7], b[8], b[10], b[11], b[10] + b[11]
      # The running saver: a stepped frame, then the copy of its changed strips only.
      gdi = b[10] / b[12]
      printf "| frame, %s, Wine, as the saver runs: engine + stepped raster + changed-strip copy | %.1f + %.1f + %.1f = **%.0f us** | strips cover %.0f%% of the buffer; as changed tiles instead, %.0f%% in %.0f calls: %.1f us; whole copy above %.1f us; GDI pens %.1fx slower than the stepped raster | %s |\n", c, b[4], b[12], b[13] - b[12], b[4] + b[13], 100 * b[14], 100 * b[16], b[17], b[15] - b[12], b[9], gdi, worst ? ">= 100x faster than GDI: " (gdi >= 100 ? "yes" : "**no**") : "-"
    }
  }
  # The rasterizer's share of a frame: stepped (the running saver) and in full, beside memset.
  for (i = 1; i <= rn; i++) {
    c = rorder[i]; sf = ras[c, "stepped"]; fu = ras[c, "full"]; ms = ras[c, "memset"]
    # The targets are set for a 1080-high screen's buffer.
    vi = ras[c, "visit"]; lim = c ~ /w10/ ? 5 : 2
    printf "| raster, %s, native: stepped frame (full clear and repaint) | **%.1f us** (%.1f us) | memset %.1f us: stepped %.1fx, full %.1fx; each pixel of the step's three curves visited once (read and written; the rising curve's only written): %.1f us (%.1fx memset) | %s |\n", c, sf, fu, ms, sf / ms, fu / ms, vi, vi / ms, c ~ /^1920x1080/ ? "< " lim "x memset: " ok(sf, lim * ms) : "-"
  }
  split(cpu["idle window"], iw, "|"); split(cpu["idle window, timer at 14 ms"], it, "|")
  split(cpu["present floor, strip"], fb, "|"); split(cpu["present floor, whole"], fw, "|")
  split(cpu["present floor, whole, 7 ms"], f7, "|")
  printf "| CPU, Wine's floor for a frame presented every 14 ms at 1024x768, nothing drawn: timer alone; + one 16-row strip copied; + the whole 652x653 buffer copied | %.2f%%; **%.2f%%**; **%.2f%%** of a core | the saver's changed strips cover most of the buffer (rows above), so its floor is the whole copy's | - |\n", it[3], fb[3], fw[3]
  for (s = 0; s <= 3; s++) {
    k = "speed " s; if (!(k in cpu)) continue
    split(cpu[k], cc, "|"); ms = 28 - 7 * s
    pred = 100 * fc["1024x768 defaults"] / 1000 / ms
    printf "| CPU, Speed %d (%d ms), 1024x768, defaults: own user+sys (wineserver, Xvfb) | **%.2f%%** of a core (%.2f%%, %.2f%%) | stepped frame cost x rate: %.2f%%; Wine idle window %.2f%%, its timer alone at 14 ms %.2f%%%s | %s |\n", s, ms, cc[3], cc[4], cc[5], pred, iw[3], it[3], s == 2 ? "; " floor_of(fw[3], ras["1024x768 defaults", "visit"], 14) : "", s == 2 ? "<= 2%: " ok(cc[3], 2) : "-"
    if (cc[6] > mem) mem = cc[6]; if (cc[7] > hwm) hwm = cc[7]
  }
  if ("heaviest" in cpu) {
    split(cpu["heaviest"], cc, "|")
    pred = 100 * fc["1024x768 10 lines w10 P2"] / 1000 / 7
    printf "| CPU, heaviest stored settings (Speed 3: 7 ms, 10 lines, width 10, Period 2), 1024x768: own user+sys (wineserver, Xvfb) | **%.2f%%** of a core (%.2f%%, %.2f%%) | stepped frame cost x rate: %.2f%%; %s | <= 5%%: %s |\n", cc[3], cc[4], cc[5], pred, floor_of(f7[3], ras["1024x768 10lines_w10_P2", "visit"], 7), ok(cc[3], 5)
  }
  for (s = 0; s <= 3; s++) {
    k = "speed " s; if (!(k in tk)) continue
    # The counters line is "name value name value ...": each field is read by its name.
    nf = split(tk[k], kv, " "); ms = 28 - 7 * s
    for (i = 1; i < nf; i += 2) t[kv[i]] = kv[i + 1]
    mean = t["ticks"] > 1 ? (t["last_us"] - t["first_us"]) / (t["ticks"] - 1) / 1000 : 0
    # The percentile is a 0.1 ms bin's upper edge: never above the largest interval.
    p99 = t["p99_us"] < t["max_us"] ? t["p99_us"] : t["max_us"]
    printf "| tick interval, Speed %d: mean, 99th percentile, max (%d ticks) | %.3f ms, %.1f ms, %.1f ms | asked %d ms | - |\n", s, t["ticks"], mean, p99 / 1000, t["max_us"] / 1000, ms
  }
  split(st, u, "|")
  printf "| start-up to first frame, warm Wine (median of %d) | **%.1f ms** | a trivial program started and ended: %.1f ms; the first tick comes one interval (14 ms) after creation | < 150 ms: %s |\n", u[4], u[2], u[3], ok(u[2], 150)
  printf "| Vellicord2.scr size | **%.0f KB** | 855 KB before stripping and section collection | < 300 KB: %s |\n", size / 1024, ok(size / 1024, 300)
  printf "| peak private memory (largest RssAnon, sampled each second; VmHWM) | **%.1f MB** (%.1f MB) | idle Wine window: %.1f MB (%.1f MB) | < 16 MB: %s |\n", mem, hwm, iw[6], iw[7], ok(mem, 16)
  # The X11 program at three screen sizes beside helix, and the frames it sends there.
  for (i = 1; i <= nsizes; i++) {
    z = sizes[i]; split(hack[z], v, "|"); split(helix[z], g, "|")
    split(xf[z, "merged"], m, "|"); split(xf[z, "strips"], ws, "|")
    both[z] = v[3] + v[4]
    printf "| CPU, X11 program at its defaults on the root window of a %s Xvfb: own user+sys (X server) | **%.2f%%** (**%.2f%%**) of a core | helix there: %.2f%% (%.2f%%); a frame changes %.1f%% of the box and copies %.1f%% in %.0f rectangles (whole changed strips: %.1f%% in %.0f); X server %.0f us a frame (strips %.0f us), the program %.0f us | X server <= own: %s |\n", z, v[3], v[4], g[3], g[4], 100 * m[4], 100 * m[5], m[6], 100 * ws[5], ws[6], m[7], ws[7], m[8], v[4] <= v[3] ? "yes" : "**no**"
  }
  if (("1024x768" in both) && ("3840x2160" in both)) {
    printf "| CPU, X11 program, own + X server: 3840x2160 beside 1024x768 | **%.1fx** (%.2f%% and %.2f%%) | the box has 7.9 times the pixels, the curves 2.8 times the length | <= 2x: %s |\n", both["3840x2160"] / both["1024x768"], both["3840x2160"], both["1024x768"], both["3840x2160"] <= 2 * both["1024x768"] ? "yes" : "**no**"
  }
  if (putcost != "") {
    split(putcost, pc, "|")
    printf "| X server, one XShmPutImage 16 rows high: per request, per pixel | %.2f us, %.2f ns: a request costs as much as **%.0f pixels** | the price the rectangles are merged for (`x11/x11_canvas.cpp`) | - |\n", pc[2], pc[3], pc[4]
  }
  split(helix["1024x768"], g, "|")
  for (i = 1; i <= nx11; i++) {
    split(x11[i], v, "|"); heavy = v[2] ~ /heaviest/; cap = heavy ? 3 : 1; ms = heavy ? 7 : 14
    vi = ras[heavy ? "1024x768 10lines_w10_P2" : "1024x768 defaults", "visit"]
    printf "| CPU, X11 program on a 1024x768 Xvfb, %s: own user+sys (Xvfb) | **%.2f%%** of a core (%.2f%%) | %s, presenting being its loop sending the whole buffer every %d ms; %s (XScreenSaver's own hack, its defaults): %.2f%% (%.2f%%) | <= %d%%: %s |\n", v[2], v[3], v[4], floor_of(x11floor["floor " ms], vi, ms), ms, g[2], g[3], g[4], cap, v[3] <= cap ? "yes" : "**no**"
  }
}
