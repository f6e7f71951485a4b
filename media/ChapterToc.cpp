#include "media/ChapterToc.h"

#include <QByteArray>

void setWriterChapters(GstElement* writer, const std::vector<SourceChapter>& chapters) {
    if (!GST_IS_TOC_SETTER(writer) || chapters.empty()) {
        return;
    }
    GstToc* toc = gst_toc_new(GST_TOC_SCOPE_GLOBAL);
    GstTocEntry* edition = gst_toc_entry_new(GST_TOC_ENTRY_TYPE_EDITION, "edition");
    int number = 0;
    for (const SourceChapter& chapter : chapters) {
        const QByteArray uid = QByteArray("chapter") + QByteArray::number(++number);
        GstTocEntry* entry = gst_toc_entry_new(GST_TOC_ENTRY_TYPE_CHAPTER, uid.constData());
        gst_toc_entry_set_start_stop_times(entry, chapter.start * 100, chapter.stop * 100);
        if (!chapter.title.isEmpty()) {
            GstTagList* tags =
                gst_tag_list_new(GST_TAG_TITLE, chapter.title.toUtf8().constData(), nullptr);
            gst_toc_entry_set_tags(entry, tags);  // takes the list
        }
        gst_toc_entry_append_sub_entry(edition, entry);  // takes the entry
    }
    gst_toc_append_entry(toc, edition);
    gst_toc_setter_set_toc(GST_TOC_SETTER(writer), toc);  // refs the table
    gst_toc_unref(toc);
}

void dropSourceChapters(GstPad* pad) {
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
        [](GstPad*, GstPadProbeInfo* info, gpointer) {
            return GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_TOC
                       ? GST_PAD_PROBE_DROP
                       : GST_PAD_PROBE_OK;
        },
        nullptr, nullptr);
}
