#include "res/program_resources.h"

#include <string_view>

#include "platform/text.h"
#include "res/resource.h"

namespace {

struct ResString {
    unsigned id;
    const char8_t* text;
};

constexpr ResString kStringTable[] = {
#define QUILLON_STRING(id, text) {id, text},
#include "res/string_table.inc"
#undef QUILLON_STRING
};

const DialogTemplateText kMainDialog{
    IDD_QUILLON_DIALOG,
    QUILLON_MAIN_CAPTION,
    {
        {IDOK_BUTTON, u"Button", QUILLON_EXECUTE},
        {IDCANCEL_BUTTON, u"Button", QUILLON_CANCEL},
        {IDC_PRINTER_LIST, u"ListBox", u""},
        {-1, u"Static", QUILLON_LIST_HEADING},
        {IDC_BANNER_FRAME, u"Static", u""},
    },
};

const DialogTemplateText kAboutBox{
    IDD_ABOUTBOX,
    QUILLON_ABOUT_CAPTION,
    {
        {-1, u"Static", u""},  // the icon
        {-1, u"Static", QUILLON_VERSION_LINE},
        {-1, u"Static", QUILLON_NOTICE},
        {IDOK_BUTTON, u"Button", QUILLON_ABOUT_OK},
    },
};

class ProgramResourceSource : public ResourceSource {
public:
    CString String(unsigned id) const override {
        for (const ResString& entry : kStringTable) {
            if (entry.id == id) {
                const std::u8string_view utf8(entry.text);
                return CString(Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size())));
            }
        }
        return CString();
    }

    const DialogTemplateText* Dialog(unsigned id) const override {
        if (id == kMainDialog.id) return &kMainDialog;
        if (id == kAboutBox.id) return &kAboutBox;
        return nullptr;
    }
};

}  // namespace

const ResourceSource& ProgramResources() {
    static const ProgramResourceSource resources;
    return resources;
}
