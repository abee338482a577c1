# Sourced by test.sh: a CUPS daemon with a PDF queue as the default printer, so that the print
# tests go through the real print path. cups-pdf drops each job as a PDF under $HOME/PDF.
PELORIN_CUPSD_PID=""

printer_start() {
    command -v cupsd >/dev/null 2>&1 || [ -x /usr/sbin/cupsd ] || return 1
    if ! lpstat -r 2>/dev/null | grep -q "is running"; then
        /usr/sbin/cupsd -f >/dev/null 2>&1 &
        PELORIN_CUPSD_PID=$!
        for _ in $(seq 1 50); do
            lpstat -r 2>/dev/null | grep -q "is running" && break
            sleep 0.2
        done
        lpstat -r 2>/dev/null | grep -q "is running" || return 1
    fi
    if ! lpstat -p PDF >/dev/null 2>&1; then
        ppd=$(ls /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null || true)
        if [ -n "$ppd" ]; then
            lpadmin -p PDF -E -v cups-pdf:/ -P "$ppd" -o PageSize=A4 || return 1
        else
            lpadmin -p PDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -o PageSize=A4 || return 1
        fi
    fi
    # cairo turns the job to PostScript with real fonts, so that the PDF cups-pdf writes keeps its
    # text readable (the default renderer leaves Type 3 glyphs that pdftotext cannot map back)
    lpadmin -p PDF -o pdftops-renderer-default=pdftocairo || return 1
    lpadmin -d PDF || return 1
    export PELORIN_TEST_PRINTER=PDF
    export PELORIN_TEST_PRINTER_OUT="${HOME}/PDF"
    return 0
}

printer_stop() {
    # drain the queue first, or the jobs would print again at the next start
    if lpstat -r 2>/dev/null | grep -q "is running"; then
        for _ in $(seq 1 50); do
            [ -z "$(lpstat -o 2>/dev/null)" ] && break
            sleep 0.2
        done
        cancel -a >/dev/null 2>&1 || true
    fi
    if [ -n "$PELORIN_CUPSD_PID" ]; then
        kill "$PELORIN_CUPSD_PID" 2>/dev/null || true
        wait "$PELORIN_CUPSD_PID" 2>/dev/null || true
    fi
}
