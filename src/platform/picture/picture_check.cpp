#include "platform/picture/picture_check.h"

#include "platform/picture/picture_io.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace {

struct TJpegFehler {
    jpeg_error_mgr mgr;
    std::jmp_buf sprung;
    bool datenVerloren = false;
};

void FehlerAbbruch(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<TJpegFehler*>(cinfo->err)->sprung, 1);
}

void Meldung(j_common_ptr cinfo, int stufe)
{
    // Level -1 is a warning about the data; the higher levels are traces.
    if (stufe >= 0)
        return;
    auto* f = reinterpret_cast<TJpegFehler*>(cinfo->err);
    switch (f->mgr.msg_code) {
    case JWRN_JPEG_EOF:       // premature end of file: the rest is grey
    case JWRN_HIT_MARKER:     // premature end of a data segment
    case JWRN_HUFF_BAD_CODE:  // damaged entropy-coded data
    case JWRN_MUST_RESYNC:    // lost restart marker
    case JWRN_NOT_SEQUENTIAL: f->datenVerloren = true; break;
    default: break;  // extraneous bytes and the like lose no pixels
    }
}

bool JpegVollstaendig(const QByteArray& daten)
{
    jpeg_decompress_struct cinfo;
    TJpegFehler fehler;
    cinfo.err = jpeg_std_error(&fehler.mgr);
    fehler.mgr.error_exit = FehlerAbbruch;
    fehler.mgr.emit_message = Meldung;
    std::vector<JSAMPLE> zeile;
    if (setjmp(fehler.sprung)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(daten.constData()), static_cast<unsigned long>(daten.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = 8;
    cinfo.dct_method = JDCT_IFAST;
    cinfo.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&cinfo);
    zeile.resize(size_t(cinfo.output_width) * size_t(cinfo.output_components));
    while (cinfo.output_scanline < cinfo.output_height && !fehler.datenVerloren) {
        JSAMPROW z = zeile.data();
        jpeg_read_scanlines(&cinfo, &z, 1);
    }
    if (!fehler.datenVerloren)
        jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return !fehler.datenVerloren;
}

}  // namespace

bool PicDataComplete(const QString& fileName, TPicError& err)
{
    err = TPicError();
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return true;
    if (f.peek(3) != QByteArray("\xFF\xD8\xFF", 3))
        return true;
    const QByteArray daten = f.readAll();
    if (JpegVollstaendig(daten))
        return true;
    err.Code = peCorrupt;
    err.Text = PicErrorText(peCorrupt, fileName);
    return false;
}
