#include "config/config_file_format.h"

#include <algorithm>

#include "guid_text.h"

namespace vesk {

using cor::guid_of;

const cor::guid config_file_header = guid_of("492063D1-B604-4DC1-BB62-D1A23C9D864F");
const cor::guid config_file_end = guid_of("F9B13265-B99F-4B1C-8B66-C30F65C7EEE6");

namespace {

using enum config_value_kind;

struct reader {
    std::string_view bytes;
    size_t pos = 0;

    [[nodiscard]] size_t remaining() const { return bytes.size() - pos; }
    bool u32(uint32_t& out) {
        if (remaining() < 4) return false;
        out = 0;
        for (size_t i = 0; i < 4; ++i)
            out |= uint32_t(static_cast<unsigned char>(bytes[pos + i])) << (8 * i);
        pos += 4;
        return true;
    }
    bool take(size_t count, std::string_view& out) {
        if (remaining() < count) return false;
        out = bytes.substr(pos, count);
        pos += count;
        return true;
    }
    bool text(std::string_view& out) {
        uint32_t length = 0;
        return u32(length) && take(length, out);
    }
    bool guid(cor::guid& out) {
        std::string_view b;
        if (!take(16, b)) return false;
        const auto at = [&](size_t i) { return uint32_t(static_cast<unsigned char>(b[i])); };
        out.data1 = at(0) | at(1) << 8 | at(2) << 16 | at(3) << 24;
        out.data2 = static_cast<uint16_t>(at(4) | at(5) << 8);
        out.data3 = static_cast<uint16_t>(at(6) | at(7) << 8);
        for (size_t i = 0; i < 8; ++i) out.data4[i] = static_cast<uint8_t>(at(8 + i));
        return true;
    }
};

void put_u32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

void put_guid(std::string& out, const cor::guid& g) {
    put_u32(out, g.data1);
    out.push_back(static_cast<char>(g.data2 & 0xff));
    out.push_back(static_cast<char>(g.data2 >> 8));
    out.push_back(static_cast<char>(g.data3 & 0xff));
    out.push_back(static_cast<char>(g.data3 >> 8));
    for (uint8_t b : g.data4) out.push_back(static_cast<char>(b));
}

// Each element of a list, read and checked; false on the first bad one.
bool valid_elements(config_value_kind kind, reader& in, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        std::string_view skip;
        switch (kind) {
            case guid_list:
                if (!in.take(16, skip)) return false;
                break;
            case text_list:
                if (!in.text(skip)) return false;
                break;
            case placement_list:
                if (!in.take(placement_size, skip)) return false;
                break;
            case panel_list:
                if (!in.take(16, skip) || !in.text(skip)) return false;
                break;
            default:
                return false;
        }
    }
    return true;
}

}  // namespace

const std::vector<t_config_tag>& config_file_tags() {
    static const std::vector<t_config_tag> tags{
        {guid_of("4BB83DFB-5B1F-40AE-B534-86606035865C"), placement, true},
        {guid_of("A7D19F1E-EFF8-4697-907C-5069DA972B89"), guid_list, true},
        {guid_of("14CB6065-C716-4727-BDED-B18D854F328F"), guid_list, true},
        // Tray, safe and trim modes; backup at start, at exit, periodic; interval.
        {guid_of("B5086E6A-EBE3-47EF-A8FE-678683720CF0"), integer, true},
        {guid_of("F79FF4F0-4D38-4D6C-8B67-76FE3360FF19"), integer, true},
        {guid_of("E52A50B7-4CDD-41D4-8F9E-8E608C1D0591"), integer, true},
        {guid_of("797D3869-9382-4DB9-BD0E-9FFFA7A00A0E"), integer, true},
        {guid_of("E790349C-0AEA-4E5F-A0A4-D7661B856515"), integer, true},
        {guid_of("475D3617-292C-46EE-ACCB-55ADAE136002"), integer, true},
        {guid_of("4BEECFA1-D398-4B7B-8102-6B25679B141B"), integer, true},
        // Custom scripts, On Init, On Quit, then New Track before On Timer.
        {guid_of("91B9F234-CAD8-4D68-98E3-D7A7A4DA9DB5"), text, true},
        {guid_of("0D7C1407-260E-4AAD-8C18-886498173576"), text, true},
        {guid_of("1BE4168D-F21A-4CD5-89EB-B6D17680569B"), text, true},
        {guid_of("AA2FF5A5-5FD6-4881-8AC8-72F7E8FDC1A6"), text, true},
        {guid_of("AF3C335F-F7F6-46F0-822B-1BC1B5C26890"), text, true},
        {guid_of("AFDFBDDE-D00D-41DE-B281-70EF39607368"), text, true},
        {guid_of("EAED7C00-FA51-454D-BE38-7670805F81CB"), text, true},
        {guid_of("703D727A-48B7-45C2-960E-C3CB4BF9DD42"), text, true},
        {guid_of("436B4876-403A-46D0-AEE2-E026B18F5742"), text, true},
        {guid_of("6051D040-7A94-4C84-A66C-587AE8ADEE30"), text, true},
        {guid_of("DDCF2AFF-DAB7-423C-AB51-B37F81C459F8"), text, true},
        {guid_of("01EA35FF-72CD-435D-AC48-8CCD2E7417C7"), text, true},
        {guid_of("594A909A-ACEF-4399-B0A3-DBD96BEFD573"), text, true},
        {guid_of("A601961D-BFAA-4E54-8BD9-EDC7584C079C"), text, true},
        {guid_of("554DB111-6903-45A8-964C-3020EEF4CA37"), text, true},
        {guid_of("6100C5D6-F35A-4912-B5BF-568E8D2BCA50"), text, true},
        {guid_of("1B5C417D-0E91-4538-9CCF-9DD4FC620386"), text, true},
        {guid_of("70344409-6FFA-4D9F-A1BE-03709F25960D"), text, true},
        {guid_of("C0A87913-B702-4625-948A-E175CF526462"), text, true},
        {guid_of("AB51ED81-F71F-411E-AD77-2406D70BD625"), text, true},
        {guid_of("CE21D729-CE05-4408-8E70-C22A276AF0F5"), text, true},
        {guid_of("E034E65D-696C-4CFC-9E77-3D4A30069C20"), text, true},
        {guid_of("52756943-7237-4BF7-BE75-9D9C00E547E9"), text, true},
        {guid_of("9541E11B-4C27-45DD-A714-38D97F79414A"), text, true},
        // Window definitions.
        {guid_of("BA9BB3A4-DD31-4F09-A4F6-8C799D4A0176"), guid_list, true},
        {guid_of("FC354353-8A11-480B-A5D6-DA229C5EA542"), text_list, true},
        {guid_of("C5904F23-D970-4DA9-ABCA-53708639CA5E"), text_list, true},
        {guid_of("0AF4192C-918F-4A9F-B3D7-5158907628D4"), placement_list, true},
        {guid_of("B3E31867-FD17-49D1-98C6-261667B39AB3"), text_list, true},
        {guid_of("DB955C5B-E23E-4C93-81E2-1FBD4D5E68FC"), text_list, true},
        {guid_of("C90CB4D2-C3CA-4514-9806-52AD86054CF3"), text_list, true},
        {guid_of("F7ACBDB9-4DB7-4668-B3CE-DCC1074CE631"), text_list, true},
        {guid_of("8C712E5B-E0C2-45A7-9D72-1C27912168C4"), text_list, true},
        {guid_of("0BCAE8A4-DB49-45AF-852C-1FBECED7294E"), text_list, true},
        // Panel definitions and records.
        {guid_of("CC7C233E-8F21-4D93-8C31-BCC71B50BBC9"), guid_list, true},
        {guid_of("C7CE100B-5AED-4D50-B246-0970A5E420B8"), text_list, true},
        {guid_of("F361759A-9AEC-455A-942F-771FE1144AAE"), text_list, true},
        {guid_of("80B30BCA-317B-49A2-BDFC-7F7BD4A6B786"), panel_list, true},
        // The user's main-menu commands.
        {guid_of("37C3B965-DCAC-4DC9-A6B6-9DDD27192923"), guid_list, true},
        {guid_of("7E48F437-8007-4160-AD91-852B6F71CD51"), text_list, true},
        {guid_of("356A3204-71E1-4E31-8409-B7F972B58E47"), text_list, true},
        // Read only: the backup-name script and the user's context-menu commands.
        {guid_of("7EBC81FA-5A53-48A4-8A65-F376C9DBEBAF"), text, false},
        {guid_of("A839453A-E82C-402A-8CE8-B58A640B5FC1"), guid_list, false},
        {guid_of("E9DA6D9F-36C5-46EC-B4F6-06F894567266"), text_list, false},
        {guid_of("67BAFAE6-6B3A-4F24-AFC5-5D2BF53120BF"), text_list, false},
    };
    return tags;
}

const t_config_tag* find_config_tag(const cor::guid& id) {
    const auto& tags = config_file_tags();
    const auto it =
        std::find_if(tags.begin(), tags.end(), [&](const t_config_tag& t) { return t.id == id; });
    return it == tags.end() ? nullptr : &*it;
}

bool valid_raw_value(config_value_kind kind, std::string_view raw) {
    switch (kind) {
        case integer:
            return raw.size() == 4;
        case text:
            return raw.size() <= UINT32_MAX;
        case placement:
            return raw.size() == placement_size;
        default: {
            reader in{raw};
            uint32_t count = 0;
            return in.u32(count) && valid_elements(kind, in, count) && in.remaining() == 0;
        }
    }
}

bool encode_config_file(const raw_source& source, std::string& out) {
    out.clear();
    put_guid(out, config_file_header);
    put_u32(out, 1);
    std::string raw;
    for (const t_config_tag& tag : config_file_tags()) {
        if (!tag.written) continue;
        if (!source(tag.id, raw) || !valid_raw_value(tag.kind, raw)) return false;
        put_guid(out, tag.id);
        if (tag.kind != integer && tag.kind != placement) put_u32(out, uint32_t(raw.size()));
        out += raw;
    }
    put_guid(out, config_file_end);
    return true;
}

t_config_read decode_config_file(std::string_view bytes) {
    t_config_read result;
    reader in{bytes};
    cor::guid tag{};
    if (!in.guid(tag)) {
        // A cut copy of a real file is damaged; anything else is not one.
        std::string head;
        put_guid(head, config_file_header);
        const bool cut = !bytes.empty() && std::string_view(head).substr(0, bytes.size()) == bytes;
        result.status = cut ? config_read_status::read_error : config_read_status::not_config;
        return result;
    }
    if (tag != config_file_header) {
        result.status = config_read_status::not_config;
        return result;
    }
    uint32_t format = 0;
    if (!in.u32(format)) return result;  // its value is not examined
    for (;;) {
        if (!in.guid(tag)) {
            result.entries.clear();
            return result;
        }
        if (tag == config_file_end) break;
        const t_config_tag* known = find_config_tag(tag);
        if (!known) {
            result.entries.clear();
            result.status = config_read_status::unknown_tag;
            result.bad_tag = tag;
            return result;
        }
        std::string_view value;
        bool ok = false;
        switch (known->kind) {
            case integer:
                ok = in.take(4, value);
                break;
            case placement:
                ok = in.take(placement_size, value);
                break;
            default:
                ok = in.text(value) && valid_raw_value(known->kind, value);
                break;
        }
        if (!ok) {
            result.entries.clear();
            return result;
        }
        result.entries.emplace_back(tag, std::string(value));
    }
    result.status = config_read_status::ok;
    return result;
}

}  // namespace vesk
