// Guards the database bridge over the engine: opens, cursors, records, memos,
// keys and ranges.
#include "bridge_fixture.h"

#include "platform/ui/prompt_script.h"

#include <cstring>
#include <filesystem>

#include <unistd.h>

namespace {

// Field numbers and buffer offsets of the fixture's album table.
enum { kName = 1, kPfad, kNum, kGroesse, kPreis, kDatum, kMarkiert, kNotiz };
constexpr int kNumOffset = 81, kPreisOffset = 95, kDatumOffset = 103, kRecSize = 122;

std::string Field(const std::vector<uint8_t>& rec, int offset, int width)
{
    return std::string(reinterpret_cast<const char*>(rec.data()) + offset, static_cast<size_t>(width));
}

TEST_F(BridgeTest, AliasesCountUpForTheSameTableAndNamesAreCleaned)
{
    MakeAlbum("BILDER.DBF", 2);
    std::vector<hDBICur> cursors;
    for (const char* expected : {"BILDER", "BILDER_1", "BILDER_2"}) {
        cursors.push_back(OpenCursor(Dir(), "BILDER.DBF"));
        ASSERT_NE(cursors.back(), 0u);
        dbe_Select(static_cast<uint16_t>(cursors.back()));
        EXPECT_STREQ(dbe_Alias(), expected);
    }
    for (hDBICur& c : cursors)
        EXPECT_EQ(DbiCloseCursor(c), DBIERR_NONE);
    EXPECT_EQ(TableAlias("MY-PIC~1.DBF"), "MY_PIC_1");
    EXPECT_EQ(TableAlias("C:\\Alben\\Urlaub 2024.DBF"), "Urlaub_2");
}

TEST_F(BridgeTest, EngineTypeByDriverNameAndHeaderByte)
{
    EXPECT_EQ(TableEngineType("X.DBF", "DXNTX"), 1);
    EXPECT_EQ(TableEngineType("X.DBF", "DXNSX"), 3);
    EXPECT_EQ(TableEngineType("X.DBF", "RXFOX"), 12);
    EXPECT_EQ(TableEngineType("X.DBF", "dxfox"), 2);  // compared exactly
    struct Case {
        unsigned char first;
        bool nsx, cdx;
        int type;
    };
    for (const Case& c : {Case{0x83, false, false, 1}, Case{0xE5, false, false, 3}, Case{0xF5, false, false, 2},
                          Case{0x03, true, false, 3}, Case{0x03, true, true, 2}, Case{0x03, false, false, 2},
                          Case{0x30, false, false, 2}}) {
        lxtest::TempDir d;
        lxtest::WriteFile(d / "T.DBF", std::string(1, static_cast<char>(c.first)) + std::string(40, '\0'));
        if (c.nsx)
            lxtest::WriteFile(d / "T.NSX", "x");
        if (c.cdx)
            lxtest::WriteFile(d / "T.CDX", "x");
        EXPECT_EQ(TableEngineType(QString::fromStdString(d.str()) + "/T.DBF", QString()), c.type) << int(c.first);
    }
    EXPECT_EQ(TableEngineType(Dir() + "FEHLT.DBF", QString()), 2);
}

TEST_F(BridgeTest, OpenModesAndFailedOpens)
{
    MakeAlbum("BILDER.DBF", 3);
    // Read-only with exclusive share mode opens read-only: writing fails.
    hDBICur c = OpenCursor(Dir(), "BILDER.DBF", dbiREADONLY, dbiOPENEXCL);
    ASSERT_NE(c, 0u);
    std::vector<uint8_t> rec(kRecSize);
    ASSERT_EQ(DbiSetToBegin(c), DBIERR_NONE);
    ASSERT_EQ(DbiGetNextRecord(c, dbiNOLOCK, rec.data(), nullptr), DBIERR_NONE);
    EXPECT_EQ(DbiModifyRecord(c, rec.data(), false), DBIERR_WRITEFAILED);
    hDBICur second = OpenCursor(Dir(), "BILDER.DBF", dbiREADONLY, dbiOPENSHARED);  // not locked out
    EXPECT_NE(second, 0u);
    DbiCloseCursor(second);
    DbiCloseCursor(c);

    DBIResult r = 0;
    EXPECT_EQ(OpenCursor(Dir(), "FEHLT.DBF", dbiREADWRITE, dbiOPENSHARED, &r), 0u);
    EXPECT_EQ(r, DBIERR_OPENFAILED);
    QString text;
    DbiGetErrorString(r, text);
    EXPECT_EQ(text, "File Open Error");
    DbiGetErrorString(DBIERR_INVALIDHNDL, text);
    EXPECT_EQ(text, "IDAPI Error : 9990");

    // A table that cannot be written answers "read-only only", so the table retries.
    std::filesystem::permissions(dir / "BILDER.DBF", std::filesystem::perms::owner_read);
    if (::access(File("BILDER.DBF").c_str(), W_OK) != 0) {  // not when running as root
        EXPECT_EQ(OpenCursor(Dir(), "BILDER.DBF", dbiREADWRITE, dbiOPENSHARED, &r), 0u);
        EXPECT_EQ(r, DBIERR_READONLYOPEN);
    }
    std::filesystem::permissions(dir / "BILDER.DBF", std::filesystem::perms::owner_all);

    // An unknown database handle shows its box and opens nothing.
    hDBICur none = 0;
    EXPECT_EQ(DbiOpenTable(150, "BILDER.DBF", "DXFOX", {}, {}, 0, dbiREADWRITE, dbiOPENSHARED, none),
              DBIERR_OPENFAILED);
    EXPECT_TRUE(boxes.contains("Could not find directory associated with this database"));
}

TEST_F(BridgeTest, CursorsPseudoCursorsAndDatabases)
{
    MakeAlbum("BILDER.DBF", 0);
    hDBICur c = OpenCursor(Dir(), "BILDER.DBF");
    std::vector<uint8_t> rec(kRecSize);
    ASSERT_EQ(DbiSetToBegin(c), DBIERR_NONE);
    EXPECT_EQ(DbiGetNextRecord(c, dbiNOLOCK, rec.data(), nullptr), DBIERR_EOF);  // empty table
    CURProps props;
    ASSERT_EQ(DbiGetCursorProps(c, props), DBIERR_NONE);
    EXPECT_EQ(props.iFields, 8);
    EXPECT_EQ(props.iRecBufSize, kRecSize);
    EXPECT_EQ(props.iBookMarkSize, 4);

    EXPECT_EQ(DbiGetNextRecord(kCursorInert, dbiNOLOCK, rec.data(), nullptr), DBIERR_EOF);
    EXPECT_EQ(DbiGetNextRecord(kCursorAtEnd, dbiNOLOCK, rec.data(), nullptr), DBIERR_EOF);
    for (hDBICur pseudo : {kCursorInert, kCursorAtEnd, hDBICur(300)}) {
        hDBICur h = pseudo;
        EXPECT_EQ(DbiCloseCursor(h), DBIERR_NONE);
    }
    hDBICur clone = 0;
    EXPECT_EQ(DbiCloneCursor(c, true, clone), DBIERR_NONE);
    EXPECT_EQ(clone, kCursorInert);
    hDBICur closed = 77;
    EXPECT_EQ(DbiCloseCursor(closed), DBIERR_INVALIDHNDL);
    EXPECT_EQ(DbiSetToBegin(closed), DBIERR_INVALIDHNDL);

    // The selected area is the caller's again after every call.
    const uint16_t other = dbe_Select(0);
    (void)other;
    DbiSetToEnd(c);
    EXPECT_EQ(dbe_WorkArea(nullptr), 0);
    EXPECT_EQ(DbiCloseCursor(c), DBIERR_NONE);

    hDBIDb db = 0;
    ASSERT_EQ(DbiOpenDatabase("x", "C:\\Alben", db), DBIERR_NONE);
    QString full;
    DbiFormFullName(db, "BILDER.DBF", "DXFOX", full);
    EXPECT_EQ(full, "C:\\Alben\\BILDER.DBF");
    DbiSetDirectory(db, "D:");
    DbiFormFullName(db, "A.DBF", {}, full);
    EXPECT_EQ(full, "D:A.DBF");
    DbiSetDirectory(0, "x");
    EXPECT_TRUE(boxes.contains("DbiSetDirectory : hDb = 0"));
    DbiCloseDatabase(db);
    EngineSetPathFromParams({{"LANGDRIVER", "x"}, {"PATH", "C:\\Daten\\"}});
    EXPECT_EQ(DefaultDirectory(), "C:\\Daten\\");
    ASSERT_EQ(DbiOpenDatabase({}, {}, db), DBIERR_NONE);
    DbiFormFullName(db, "A.DBF", {}, full);
    EXPECT_EQ(full, "C:\\Daten\\A.DBF");
    DbiCloseDatabase(db);
    EngineSetPathFromParams({{"PATH", ""}});

    QString value;
    DbiGetProp(0x00040002, value);
    EXPECT_EQ(value, "STANDARD");
    DbiGetProp(0x1234, value);
    EXPECT_TRUE(boxes.contains("DbiGetProp: iProp = 00001234"));
    EXPECT_EQ(DbiGetDatabaseDesc("x"), DBIERR_UNKNOWNDB);
}

TEST_F(BridgeTest, UnsupportedCallsShowTheirNameAndNeverClaimAChange)
{
    EXPECT_EQ(DbiDeleteTable(), DBIERR_NOTSUPPORTED);
    EXPECT_EQ(DbiBatchMove(), DBIERR_NOTSUPPORTED);
    EXPECT_EQ(DbiQExec(), DBIERR_NOTSUPPORTED);
    EXPECT_EQ(DbiMakePermanent(), DBIERR_NOTSUPPORTED);
    EXPECT_EQ(DbiQAlloc(), DBIERR_NONE);
    EXPECT_EQ(DbiOpenIndex(1, "X.IDX", 0), DBIERR_NONE);
    EXPECT_TRUE(boxes.contains("This function not supported by the database engine : DbiDeleteTable"));
    EXPECT_TRUE(boxes.contains("This function not supported by the database engine : DbiOpenIndex"));
    const int before = boxes.size();
    EXPECT_EQ(DbiAddFilter(), DBIERR_NONE);
    EXPECT_EQ(DbiForceReread(1), DBIERR_NONE);
    EXPECT_EQ(boxes.size(), before);  // silent
    uint32_t n = 0;
    int cmp = 0;
    EXPECT_EQ(DbiGetSeqNo(1, n), DBIERR_NOTSUPPORTED);
    EXPECT_EQ(DbiCompareBookMarks(1, nullptr, nullptr, cmp), DBIERR_NOTSUPPORTED);
    EXPECT_EQ(DbiNativeToAnsi("Grüße", 0), QByteArray("Grüße"));
    EXPECT_EQ(DbiAnsiToNative("abcdef", 3), QByteArray("abc"));
}

TEST(BridgePrompts, InformationBoxesGoThroughThePromptService)
{
    ASSERT_EQ(InstallDatabaseBridge(), DBIERR_NONE);
    {
        TPromptScript script;
        script.Answer(TPromptKind::Box, IDOK, "DbiBatchMove");
        EXPECT_EQ(DbiBatchMove(), DBIERR_NOTSUPPORTED);
        ASSERT_EQ(script.Records().size(), 1u);
        EXPECT_EQ(script.Records()[0].Text, "This function not supported by the database engine : DbiBatchMove");
        EXPECT_EQ(script.Records()[0].Flags & 0xF, MB_OK);
    }
    SetDatabaseInfoHandler(nullptr);
    UninstallDatabaseBridge();
}

TEST_F(BridgeTest, MovesBookmarksAndRecordProperties)
{
    MakeAlbum("BILDER.DBF", 5);
    hDBICur c = OpenCursor(Dir(), "BILDER.DBF");
    std::vector<uint8_t> rec(kRecSize);
    RECProps props;
    DbiSetToBegin(c);
    EXPECT_EQ(DbiGetRecord(c, dbiNOLOCK, rec.data(), &props), DBIERR_BOF);
    std::vector<uint32_t> seen;
    while (DbiGetNextRecord(c, dbiNOLOCK, rec.data(), &props) == DBIERR_NONE)
        seen.push_back(props.iPhyRecNum);
    EXPECT_EQ(seen, (std::vector<uint32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(DbiGetRecord(c, dbiNOLOCK, rec.data(), &props), DBIERR_EOF);
    seen.clear();
    while (DbiGetPriorRecord(c, dbiNOLOCK, rec.data(), &props) == DBIERR_NONE)
        seen.push_back(props.iPhyRecNum);
    EXPECT_EQ(seen, (std::vector<uint32_t>{5, 4, 3, 2, 1}));
    EXPECT_EQ(DbiGetNextRecord(c, dbiNOLOCK, rec.data(), &props), DBIERR_NONE);
    EXPECT_EQ(props.iPhyRecNum, 1u);  // the beginning again, not the second

    uint32_t mark = 4;
    DbiSetToBookMark(c, reinterpret_cast<uint8_t*>(&mark));
    ASSERT_EQ(DbiGetRecord(c, dbiNOLOCK, rec.data(), &props), DBIERR_NONE);
    EXPECT_EQ(props.iPhyRecNum, 4u);
    uint32_t back = 0;
    DbiGetBookMark(c, reinterpret_cast<uint8_t*>(&back));
    EXPECT_EQ(back, 4u);
    mark = 99;
    DbiSetToBookMark(c, reinterpret_cast<uint8_t*>(&mark));
    EXPECT_EQ(DbiGetRecord(c, dbiNOLOCK, rec.data(), &props), DBIERR_EOF);

    uint32_t count = 0;
    DbiGetRecordCount(c, count);
    EXPECT_EQ(count, 5u);

    // A lock another work area holds fails the locked read.
    hDBICur other = OpenCursor(Dir(), "BILDER.DBF");
    dbe_Select(static_cast<uint16_t>(other));
    ASSERT_GT(dbe_Rlock(2), 0);
    mark = 2;
    DbiSetToBookMark(c, reinterpret_cast<uint8_t*>(&mark));
    EXPECT_EQ(DbiGetRecord(c, dbiWRITELOCK, rec.data(), &props), DBIERR_LOCKED);
    EXPECT_EQ(DbiGetRecord(c, dbiNOLOCK, rec.data(), &props), DBIERR_NONE);
    DbiCloseCursor(other);
    EXPECT_EQ(DbiGetRecord(c, dbiWRITELOCK, rec.data(), &props), DBIERR_NONE);
    DbiRelRecordLock(c, true);
    DbiCloseCursor(c);
}

TEST_F(BridgeTest, FieldDescriptorsFollowTheTypeTable)
{
    MakeAlbum("BILDER.DBF", 1);
    hDBICur c = OpenCursor(Dir(), "BILDER.DBF");
    std::vector<FLDDesc> d(8);
    ASSERT_EQ(DbiGetFieldDescs(c, d.data()), DBIERR_NONE);
    struct Expect {
        const char* name;
        uint16_t type, sub;
        int16_t u1, u2;
        uint16_t len, offset;
    };
    const Expect table[] = {{"NAME", fldZSTRING, 0, 20, 0, 21, 2},     {"PFAD", fldZSTRING, 0, 60, 0, 61, 22},
                            {"NUM", fldINT16, 0, 1, 0, 2, 82},         {"GROESSE", fldFLOAT, 0, 10, 0, 8, 86},
                            {"PREIS", fldFLOAT, 0, 8, 2, 8, 96},       {"DATUM", fldDATE, 0, 1, 0, 4, 104},
                            {"MARKIERT", fldBOOL, 0, 1, 0, 2, 112},    {"NOTIZ", fldBLOB, fldstMEMO, 1, 0, 0, 113}};
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(table[i].name);
        EXPECT_EQ(d[i].iFldNum, i + 1);
        EXPECT_STREQ(d[i].szName, table[i].name);
        EXPECT_EQ(d[i].iFldType, table[i].type);
        EXPECT_EQ(d[i].iSubType, table[i].sub);
        EXPECT_EQ(d[i].iUnits1, table[i].u1);
        EXPECT_EQ(d[i].iUnits2, table[i].u2);
        EXPECT_EQ(d[i].iLen, table[i].len);
        EXPECT_EQ(d[i].iOffset, table[i].offset);
    }
    DbiCloseCursor(c);

    // The field list pseudo-cursor hands out the same descriptors.
    hDBIDb db = 0;
    DbiOpenDatabase({}, Dir(), db);
    hDBICur list = 0;
    ASSERT_EQ(DbiOpenFieldList(db, "BILDER.DBF", "DXFOX", list), DBIERR_NONE);
    EXPECT_EQ(list, kCursorFieldList);
    FLDDesc one;
    int n = 0;
    while (DbiGetNextRecord(list, dbiNOLOCK, reinterpret_cast<uint8_t*>(&one), nullptr) == DBIERR_NONE)
        ++n;
    EXPECT_EQ(n, 8);
    EXPECT_STREQ(one.szName, "NOTIZ");
    DbiCloseCursor(list);
    DbiCloseDatabase(db);
}

TEST_F(BridgeTest, AFieldTypeOutsideTheTableIsDescribedAsInvalid)
{
    // A DBF made by another program with an integer field 'I' beside a text field.
    std::string dbf(32, '\0');
    dbf[0] = 0x03;
    dbf[8] = 32 + 2 * 32 + 1;  // header length
    dbf[10] = 1 + 5 + 4;       // record length
    auto field = [](const char* name, char type, int width) {
        std::string f(32, '\0');
        std::memcpy(f.data(), name, std::strlen(name));
        f[11] = type;
        f[16] = static_cast<char>(width);
        return f;
    };
    dbf.append(field("TEXT", 'C', 5));
    dbf.append(field("ZAHL", 'I', 4));
    dbf.append("\r\x1a");
    lxtest::WriteFile(dir / "FREMD.DBF", dbf);
    DBIResult r = 0;
    hDBICur c = OpenCursor(Dir(), "FREMD.DBF", dbiREADONLY, dbiOPENSHARED, &r);
    ASSERT_NE(c, 0) << dbe_LastError();
    std::vector<FLDDesc> d(2);
    ASSERT_EQ(DbiGetFieldDescs(c, d.data()), DBIERR_NONE);
    EXPECT_EQ(d[0].iFldType, fldZSTRING);
    EXPECT_EQ(d[1].iFldType, fldINVALID);
    EXPECT_TRUE(boxes.contains("Invalid Field Type I"));
    DbiCloseCursor(c);
}

TEST_F(BridgeTest, AreasOpenedBehindTheBridgesBackAreDescribedAfresh)
{
    MakeAlbum("BILDER.DBF", 1);
    const uint16_t d = dbe_CreateNew(File("KLEIN.DBF").c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, 1);
    ASSERT_NE(d, 0);
    dbe_CreateField("WORT", 'C', 8, 0);
    dbe_CreateExec();
    dbe_AppendBlank();
    dbe_Replace("WORT", DBE_REPL_TEXT, "hallo");
    dbe_Close();

    hDBICur c = OpenCursor(Dir(), "BILDER.DBF");
    ASSERT_NE(c, 0u);
    dbe_Select(static_cast<uint16_t>(c));
    dbe_Close();  // the engine companion closes the area itself ...
    const uint16_t again = dbe_Use(File("KLEIN.DBF").c_str(), nullptr, DBE_SHARED, DBE_TYPE_FOX);
    ASSERT_EQ(again, c);  // ... and the next table lands in the same area
    std::vector<uint8_t> rec(16);
    DbiSetToBegin(c);
    ASSERT_EQ(DbiGetNextRecord(c, dbiNOLOCK, rec.data(), nullptr), DBIERR_NONE);
    char text[16];
    bool blank = true;
    ASSERT_EQ(DbiGetField(c, 1, rec.data(), text, blank), DBIERR_NONE);
    EXPECT_STREQ(text, "hallo");
    EXPECT_EQ(DbiGetField(c, 2, rec.data(), text, blank), DBIERR_INVALIDHNDL);  // one field only
    DbiCloseCursor(c);
}

TEST_F(BridgeTest, FieldConversionsAndWidths)
{
    MakeAlbum("BILDER.DBF", 1);
    hDBICur c = OpenCursor(Dir(), "BILDER.DBF");
    std::vector<uint8_t> rec(kRecSize);
    DbiSetToBegin(c);
    ASSERT_EQ(DbiGetNextRecord(c, dbiNOLOCK, rec.data(), nullptr), DBIERR_NONE);
    bool blank = true;
    char text[64];
    ASSERT_EQ(DbiGetField(c, kName, rec.data(), text, blank), DBIERR_NONE);
    EXPECT_FALSE(blank);
    EXPECT_STREQ(text, "Bild 9999");
    int32_t day = 0;
    DbiGetField(c, kDatum, rec.data(), &day, blank);
    EXPECT_EQ(day, 45322 + kDayNumberDelta);  // 31.01.2024
    int16_t flag = 0;
    DbiGetField(c, kMarkiert, rec.data(), &flag, blank);
    EXPECT_EQ(flag, 1);
    double size = 0;
    DbiGetField(c, kGroesse, rec.data(), &size, blank);
    EXPECT_EQ(size, 1000.0);

    // Dates: eight blanks or zeros read blank; an empty date writes blanks.
    for (const char* stored : {"        ", "00000000"}) {
        std::memcpy(rec.data() + kDatumOffset, stored, 8);
        DbiGetField(c, kDatum, rec.data(), &day, blank);
        EXPECT_TRUE(blank) << stored;
    }
    const int32_t noDate = 0;
    DbiPutField(c, kDatum, rec.data(), &noDate);
    EXPECT_EQ(Field(rec, kDatumOffset, 8), "        ");

    // A 16-bit integer field N(4,0): 12 is right-aligned, 12345 does not fit.
    int16_t v = 12;
    EXPECT_EQ(DbiPutField(c, kNum, rec.data(), &v), DBIERR_NONE);
    EXPECT_EQ(Field(rec, kNumOffset, 4), "  12");
    v = 12345;
    EXPECT_EQ(DbiPutField(c, kNum, rec.data(), &v), DBIERR_VALUETOOWIDE);
    EXPECT_EQ(Field(rec, kNumOffset, 4), "  12");

    // N(8,2): too wide by more than decimals + 1 fails, else fewer decimals.
    struct Case {
        double value;
        DBIResult result;
        const char* stored;
    };
    for (const Case& k : {Case{3.14159, 0, "    3.14"}, Case{123456.789, 0, "123456.8"},
                          Case{12345678.9, 0, "12345679"}, Case{123456789.0, DBIERR_VALUETOOWIDE, "12345679"},
                          Case{-5.5, 0, "   -5.50"}}) {
        EXPECT_EQ(DbiPutField(c, kPreis, rec.data(), &k.value), k.result) << k.value;
        EXPECT_EQ(Field(rec, kPreisOffset, 8), k.stored) << k.value;
    }
    // No value address: empty values.
    DbiPutField(c, kName, rec.data(), nullptr);
    DbiGetField(c, kName, rec.data(), text, blank);
    EXPECT_TRUE(blank);
    DbiCloseCursor(c);
}

TEST_F(BridgeTest, BlobsAreBinarySafeBoundedAndWrittenWithTheirRecord)
{
    MakeAlbum("BILDER.DBF", 3);
    hDBICur c = OpenCursor(Dir(), "BILDER.DBF");
    std::vector<uint8_t> rec(kRecSize);
    DbiSetToBegin(c);
    DbiGetNextRecord(c, dbiNOLOCK, nullptr, nullptr);
    DbiGetNextRecord(c, dbiWRITELOCK, rec.data(), nullptr);  // record 2
    const QByteArray bytes("BM\0\0\xff\x01zz", 8);
    ASSERT_EQ(DbiPutBlob(c, rec.data(), kNotiz, 0, static_cast<uint32_t>(bytes.size()), bytes.constData()),
              DBIERR_NONE);
    uint32_t size = 0;
    DbiGetBlobSize(c, rec.data(), kNotiz, size);
    EXPECT_EQ(size, 8u);
    // Not written before the record is: the stored record still has no memo.
    dbe_Select(static_cast<uint16_t>(c));
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), 0);
    ASSERT_EQ(DbiModifyRecord(c, rec.data(), true), DBIERR_NONE);
    dbe_Select(static_cast<uint16_t>(c));
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), 8);

    DbiGetRecord(c, dbiNOLOCK, rec.data(), nullptr);
    char out[16];
    std::memset(out, '#', sizeof out);
    uint32_t read = 0;
    ASSERT_EQ(DbiGetBlob(c, rec.data(), kNotiz, 0, 8, out, read), DBIERR_NONE);
    EXPECT_EQ(read, 8u);
    EXPECT_EQ(QByteArray(out, 8), bytes);
    std::memset(out, '#', sizeof out);
    DbiGetBlob(c, rec.data(), kNotiz, 4, 3, out, read);  // offset and length honoured
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(QByteArray(out, 4), QByteArray("\xff\x01z#"));
    DbiGetBlob(c, rec.data(), kNotiz, 20, 3, out, read);
    EXPECT_EQ(read, 0u);

    // An insert's memo lands in the new record only.
    std::vector<uint8_t> fresh(kRecSize);
    DbiInitRecord(c, fresh.data());
    DbiPutBlob(c, fresh.data(), kNotiz, 0, 5, "Hallo");
    ASSERT_EQ(DbiInsertRecord(c, dbiNOLOCK, fresh.data()), DBIERR_NONE);
    dbe_Select(static_cast<uint16_t>(c));
    EXPECT_EQ(dbe_RecNo(), 4u);
    char* memo = dbe_GetMemo("NOTIZ", 0);
    EXPECT_STREQ(memo, "Hallo");
    dbe_MemDealloc(memo);
    dbe_Go(2);
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), 8);
    dbe_Go(3);
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), 0);

    // Truncating to nothing removes the memo when the record is written.
    dbe_Go(2);
    DbiGetRecord(c, dbiNOLOCK, rec.data(), nullptr);
    DbiTruncateBlob(c, rec.data(), kNotiz, 0);
    DbiModifyRecord(c, rec.data(), false);
    dbe_Select(static_cast<uint16_t>(c));
    EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), 0);
    DbiCloseCursor(c);
}

TEST_F(BridgeTest, InsertAndDeleteReachTheFile)
{
    MakeAlbum("BILDER.DBF", 2);
    hDBICur c = OpenCursor(Dir(), "BILDER.DBF");
    std::vector<uint8_t> rec(kRecSize);
    DbiInitRecord(c, rec.data());
    EXPECT_EQ(Field(rec, 0, kRecSize), std::string(kRecSize, ' '));
    DbiPutField(c, kName, rec.data(), "Neu");
    ASSERT_EQ(DbiInsertRecord(c, dbiWRITELOCK, rec.data()), DBIERR_NONE);
    EXPECT_EQ(RawRecordCount("BILDER.DBF"), 3u);
    EXPECT_EQ(RawField("BILDER.DBF", 3, 1, 20), "Neu" + std::string(17, ' '));
    ASSERT_EQ(DbiDeleteRecord(c, nullptr), DBIERR_NONE);
    EXPECT_EQ(RawField("BILDER.DBF", 3, 0, 1), "*");
    DbiCloseCursor(c);
}

TEST_F(BridgeTest, ARecordThatLeftTheViewIsReported)
{
    MakeAlbum("BILDER.DBF", 5);
    hDBICur c = OpenCursor(Dir(), "BILDER.DBF");
    hDBICur other = OpenCursor(Dir(), "BILDER.DBF");
    const int wasDeleted = dbe_SetDeleted(1);
    std::vector<uint8_t> rec(kRecSize);
    RECProps props;
    for (uint32_t target : {3u, 5u}) {
        uint32_t mark = target;
        DbiSetToBookMark(other, reinterpret_cast<uint8_t*>(&mark));
        ASSERT_EQ(DbiDeleteRecord(other, nullptr), DBIERR_NONE);
        DbiSetToBookMark(c, reinterpret_cast<uint8_t*>(&mark));
        EXPECT_EQ(DbiGetRecord(c, dbiNOLOCK, rec.data(), &props), DBIERR_KEYORRECDELETED) << target;
    }
    // The last record gone: the cursor stands past the end; an inner one: on it again.
    EXPECT_EQ(DbiGetRecord(c, dbiNOLOCK, rec.data(), &props), DBIERR_EOF);
    uint32_t mark = 3;
    DbiSetToBookMark(c, reinterpret_cast<uint8_t*>(&mark));
    DbiGetRecord(c, dbiNOLOCK, rec.data(), &props);
    ASSERT_EQ(DbiGetNextRecord(c, dbiNOLOCK, rec.data(), &props), DBIERR_NONE);
    EXPECT_EQ(props.iPhyRecNum, 4u);
    dbe_SetDeleted(wasDeleted);
    DbiCloseCursor(other);
    DbiCloseCursor(c);
}

TEST_F(BridgeTest, KeysAndRangesWhenTheEngineHasIndexes)
{
    MakeAlbum("BILDER.DBF", 30);
    hDBICur c = OpenCursor(Dir(), "BILDER.DBF");
    char key[DBIMAXKEYLEN];
    // Without an order there is no key search.
    EXPECT_EQ(DbiSetToKey(c, keySEARCHEQ, true, 1, 0, "Bild"), DBIERR_NOCURRINDEX);
    IDXDesc desc;
    EXPECT_EQ(DbiGetIndexDesc(c, 0, desc), DBIERR_NOASSOCINDEX);
    dbe_Select(static_cast<uint16_t>(c));
    if (dbe_IndexTag(nullptr, "NUM", "NUM", 0, 0, nullptr) == 0 ||
        dbe_IndexTag(nullptr, "NAME", "NAME", 0, 0, nullptr) == 0) {
        const std::string why = dbe_LastError();
        DbiCloseCursor(c);
        FAIL() << "index tags could not be made: " << why;
    }
    hDBICur h = c;
    ASSERT_EQ(DbiSwitchToIndex(h, {}, "num", 0, false), DBIERR_NONE);
    ASSERT_EQ(DbiGetIndexDesc(c, 0, desc), DBIERR_NONE);
    EXPECT_STREQ(desc.szTagName, "NUM");
    EXPECT_EQ(desc.iFldsInKey, 1);
    EXPECT_EQ(desc.aiKeyFld[0], kNum);
    // Numeric key: the key text of a record holding 12 is "12".
    std::vector<uint8_t> rec(kRecSize);
    DbiInitRecord(c, rec.data());
    int16_t twelve = 12;
    DbiPutField(c, kNum, rec.data(), &twelve);
    ASSERT_EQ(DbiExtractKey(c, rec.data(), key), DBIERR_NONE);
    EXPECT_STREQ(key, "12");

    ASSERT_EQ(DbiSwitchToIndex(h, {}, "NAME", 0, false), DBIERR_NONE);
    RECProps props;
    EXPECT_EQ(DbiGetRecordForKey(c, true, 1, 0, "Bild 9990", rec.data()), DBIERR_NONE);
    DbiGetRecord(c, dbiNOLOCK, rec.data(), &props);
    EXPECT_EQ(props.iPhyRecNum, 10u);
    EXPECT_EQ(DbiGetRecordForKey(c, true, 1, 0, "Bild 1234", nullptr), DBIERR_RECNOTFOUND);
    DbiGetRecord(c, dbiNOLOCK, rec.data(), &props);
    EXPECT_EQ(props.iPhyRecNum, 10u);  // back where it was
    // "Greater" seeks the key with its last character raised ("Bild 998:").
    EXPECT_EQ(DbiSetToKey(c, keySEARCHGT, true, 1, 0, "Bild 9989"), DBIERR_NONE);
    DbiGetRecord(c, dbiNOLOCK, rec.data(), &props);
    EXPECT_EQ(props.iPhyRecNum, 10u);
    EXPECT_EQ(DbiSetToKey(c, keySEARCHGEQ, true, 1, 0, "Bild 9989"), DBIERR_NONE);
    DbiGetRecord(c, dbiNOLOCK, rec.data(), &props);
    EXPECT_EQ(props.iPhyRecNum, 11u);

    ASSERT_EQ(DbiSetRange(c, true, 1, 0, "Bild 9975", true, 1, 0, "Bild 9977", true), DBIERR_NONE);
    std::vector<uint32_t> inRange;
    while (DbiGetNextRecord(c, dbiNOLOCK, nullptr, &props) == DBIERR_NONE)
        inRange.push_back(props.iPhyRecNum);
    EXPECT_EQ(inRange, (std::vector<uint32_t>{25, 24, 23}));
    DbiResetRange(c);
    uint32_t count = 0;
    DbiGetRecordCount(c, count);
    EXPECT_EQ(count, 30u);
    DbiCloseCursor(c);

    // A tag named at open becomes the order.
    hDBIDb db = 0;
    DbiOpenDatabase({}, Dir(), db);
    ASSERT_EQ(DbiOpenTable(db, "BILDER.DBF", "DXFOX", {}, "NAME", 0, dbiREADWRITE, dbiOPENSHARED, c), DBIERR_NONE);
    DbiCloseDatabase(db);
    DbiSetToBegin(c);
    DbiGetNextRecord(c, dbiNOLOCK, nullptr, &props);
    EXPECT_EQ(props.iPhyRecNum, 30u);
    DbiCloseCursor(c);
}

TEST_F(BridgeTest, EngineQueriesNarrowTheViewAndTheCount)
{
    MakeAlbum("BILDER.DBF", 10);
    hDBICur c = OpenCursor(Dir(), "BILDER.DBF");
    std::vector<uint8_t> rec(kRecSize);
    RECProps props;
    uint32_t mark = 2;
    DbiSetToBookMark(c, reinterpret_cast<uint8_t*>(&mark));
    dbe_Select(static_cast<uint16_t>(c));
    if (dbe_Query("NUM > 6") == 0) {
        const std::string why = dbe_LastError();
        DbiCloseCursor(c);
        FAIL() << "the query could not be set: " << why;
    }
    dbe_Go(2);
    EXPECT_EQ(DbiGetRecord(c, dbiNOLOCK, rec.data(), &props), DBIERR_KEYORRECDELETED);
    uint32_t count = 0;
    DbiGetRecordCount(c, count);
    EXPECT_EQ(count, 4u);
    std::vector<uint32_t> seen;
    DbiSetToBegin(c);
    while (DbiGetNextRecord(c, dbiNOLOCK, nullptr, &props) == DBIERR_NONE)
        seen.push_back(props.iPhyRecNum);
    EXPECT_EQ(seen, (std::vector<uint32_t>{7, 8, 9, 10}));
    ASSERT_EQ(DbiDropFilter(c), DBIERR_NONE);
    DbiGetRecordCount(c, count);
    EXPECT_EQ(count, 10u);
    DbiCloseCursor(c);
}

}  // namespace
