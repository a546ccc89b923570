#include "output/print_sector.h"

#include <stdio.h>
#include <string.h>

#include "disk/sector_access.h"
#include "editor/editor_state.h"

// Filled anew for every print: nothing chosen in one print carries over.
static PRINTDLGA PrintDialog;
static DOCINFOA PrintDocument;
static TEXTMETRICA PrinterMetrics;
// A dump line is 71 characters; the zero after it is the formatter's.
static char PrintLine[72];

static const int DUMP_LINE_LENGTH = 71;

static void format_dump_line(DWORD offset) {
    const BYTE* b = EditorState.SectorData + offset;
    snprintf(PrintLine, sizeof PrintLine,
             "%03X: %02X %02X %02X %02X %02X %02X %02X %02X - %02X %02X %02X %02X %02X %02X %02X %02X "
             "%c%c%c%c%c%c%c%c%c%c%c%c%c%c%c%c",
             (unsigned)offset, b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
             b[14], b[15], b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14],
             b[15]);
}

static void print_page(HDC dc, int pitch) {
    int y = 0;
    StartPage(dc);
    // Unsigned and in full: sector numbers go beyond 4,294,967,295.
    snprintf(PrintLine, sizeof PrintLine, "Sector Number %llu", EditorState.CurrentSector.load());
    TextOutA(dc, 0, y, PrintLine, (int)strlen(PrintLine));
    y += 2 * pitch;
    for (DWORD offset = 0; offset < SECTOR_SIZE; offset += 16) {
        format_dump_line(offset);
        // The count, not a zero byte among the characters, ends the line.
        TextOutA(dc, 0, y, PrintLine, DUMP_LINE_LENGTH);
        y += pitch;
    }
    EndPage(dc);
}

void print_sector() {
    memset(&PrintDialog, 0, sizeof PrintDialog);
    PrintDialog.lStructSize = sizeof PrintDialog;
    PrintDialog.hwndOwner = EditorState.MainWindow;
    // Each copy is a page printed here, so the driver is not asked to copy.
    PrintDialog.Flags = PD_HIDEPRINTTOFILE | PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION;
    PrintDialog.nMinPage = 1;
    PrintDialog.nMaxPage = 1;
    PrintDialog.nCopies = 1;
    if (!PrintDlgA(&PrintDialog)) return;

    HDC dc = PrintDialog.hDC;
    // A search started while the dialog was up may replace the sector mid-page.
    if (refuse_while_searching(EditorState.MainWindow)) {
        DeleteDC(dc);
        return;
    }
    memset(&PrintDocument, 0, sizeof PrintDocument);
    PrintDocument.cbSize = sizeof PrintDocument;
    PrintDocument.lpszDocName = "Printing text";
    memset(&PrinterMetrics, 0, sizeof PrinterMetrics);
    GetTextMetricsA(dc, &PrinterMetrics);
    int pitch = PrinterMetrics.tmHeight + PrinterMetrics.tmExternalLeading;

    StartDocA(dc, &PrintDocument);
    for (WORD page = 0; page < PrintDialog.nCopies; ++page) print_page(dc, pitch);
    EndDoc(dc);
    DeleteDC(dc);
}
