// The assembly editor without its widgets: shown and typed units, half-typed numbers, the kept
// length, list suffixes and typed names, materials and heating options, part properties, moves,
// a new assembly, the drawing sequence and the selection that edits always follow.
#include "materials/clsmaterialproperties.h"
#include "simulation/partseditor.h"

#include <gtest/gtest.h>

#include <set>

namespace tarsen {
namespace {

struct Editor {
    clsTarsen Tarsen;
    clsMaterialProperties table;
    std::array<std::int16_t, 5> ibcs{0, 0, 1, 1, 0};
    float tbc = 25.0f;
    std::int16_t PartIndex = -1;
    std::int16_t DrawIndex = -1;
    PartsEditor ed{PartsEditorModel{Tarsen, table, ibcs, tbc, PartIndex, DrawIndex}};

    Editor()
    {
        table.NumberOfMaterials(3);
        table.Entry(0).MaterialNames = "Alumina"; // an insulator: no resistivity
        table.Entry(0).density = 3.98f;
        table.Entry(0).porosity = 0.25f;
        table.Entry(1).MaterialNames = "Graphite";
        table.Entry(1).R0 = 1e-5f;
        table.Entry(2).MaterialNames = "Cermet"; // 1000 (R0 + r1 T) is zero at exactly 25 deg C
        table.Entry(2).R0 = -3.125f;
        table.Entry(2).r1 = 0.125f;
    }
    clsAssemblyPart& Part(int i) { return Tarsen.CellPart(i); }
    void Select(int i)
    {
        ASSERT_TRUE(ed.SelectPart(i));
        ed.FormUpdate();
    }
};

TEST(PartsEditorUnits, InchesAndDiameterDivideTypedAndMultiplyShownValues)
{
    Editor e;
    e.Select(0);

    e.ed.SetInches(true);
    EXPECT_TRUE(e.ed.SetOuter("1"));
    EXPECT_FLOAT_EQ(e.Part(0).OuterRadius(), 25.4f);
    e.ed.SetDiameter(true);
    EXPECT_TRUE(e.ed.SetOuter("1"));
    EXPECT_FLOAT_EQ(e.Part(0).OuterRadius(), 12.7f);
    // Heights ignore the diameter factor.
    EXPECT_TRUE(e.ed.SetLength("2"));
    EXPECT_FLOAT_EQ(e.Part(0).MaxHeight(), 50.8f);
    PartsView v = e.ed.FormUpdate();
    EXPECT_EQ(v.txtOuter, "1");
    EXPECT_EQ(v.txtLength, "2");

    // Back in millimetres as diameter: the stored values did not change with the units.
    e.ed.SetInches(false);
    v = e.ed.FormUpdate();
    EXPECT_EQ(v.txtOuter, "25.4");
    EXPECT_EQ(v.txtLength, "50.8");
    EXPECT_TRUE(e.ed.SetInner("5"));
    EXPECT_FLOAT_EQ(e.Part(0).InnerRadius(), 2.5f);
    e.ed.SetDiameter(false);
    EXPECT_EQ(e.ed.FormUpdate().txtInner, "2.5");

    // Angles are degrees whatever the units.
    e.ed.SetInches(true);
    EXPECT_TRUE(e.ed.SetTaperAngle("80"));
    EXPECT_TRUE(e.ed.SetFlareAngle("100.5"));
    EXPECT_FLOAT_EQ(e.Part(0).TaperAngle(), 80.0f);
    EXPECT_FLOAT_EQ(e.Part(0).FlareAngle(), 100.5f);
}

TEST(PartsEditorUnits, HalfTypedNumbersAndUnusableTextLeaveThePart)
{
    Editor e;
    e.Select(0);
    ASSERT_TRUE(e.ed.SetOuter("4"));

    // Key by key: "-", "-3", "-3." ... only readable numbers take effect.
    EXPECT_FALSE(e.ed.SetOuter("-"));
    EXPECT_FLOAT_EQ(e.Part(0).OuterRadius(), 4.0f);
    EXPECT_TRUE(e.ed.SetOuter("-3"));
    EXPECT_FLOAT_EQ(e.Part(0).OuterRadius(), -3.0f);
    EXPECT_FALSE(e.ed.SetOuter("-3.")); // the same number: nothing changes
    EXPECT_TRUE(e.ed.SetOuter("3."));
    EXPECT_FLOAT_EQ(e.Part(0).OuterRadius(), 3.0f);

    for (const char* text : {"", ".", "abc", "3,5", "1e", "nan", "inf", "1e39"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(e.ed.SetOuter(text));
        EXPECT_FALSE(e.ed.SetLength(text));
        EXPECT_FALSE(e.ed.SetTaperAngle(text));
        EXPECT_FALSE(e.ed.SetThermocouple(0, 1, text));
    }
    EXPECT_FLOAT_EQ(e.Part(0).OuterRadius(), 3.0f);
    EXPECT_FLOAT_EQ(e.Part(0).MaxHeight(), 0.0f);
    EXPECT_FLOAT_EQ(e.Part(0).TaperAngle(), 90.0f);
    EXPECT_FLOAT_EQ(e.Tarsen.ThermocouplePosition(0, 1), 0.0f);
}

TEST(PartsEditorUnits, TheMinimumZKeepsTheShownLength)
{
    Editor e;
    e.Select(0);
    ASSERT_TRUE(e.ed.SetLength("10"));
    EXPECT_TRUE(e.ed.SetMinHeight("2", "10"));
    EXPECT_FLOAT_EQ(e.Part(0).MinHeight(), 2.0f);
    EXPECT_FLOAT_EQ(e.Part(0).MaxHeight(), 12.0f);

    // The length box is read as shown, in inches here.
    e.ed.SetInches(true);
    EXPECT_TRUE(e.ed.SetMinHeight("0.5", "1"));
    EXPECT_FLOAT_EQ(e.Part(0).MinHeight(), 12.7f);
    EXPECT_FLOAT_EQ(e.Part(0).MaxHeight(), 38.1f);

    // A length box that is not a number keeps the stored length (25.4 mm).
    EXPECT_TRUE(e.ed.SetMinHeight("1", "x"));
    EXPECT_FLOAT_EQ(e.Part(0).MinHeight(), 25.4f);
    EXPECT_FLOAT_EQ(e.Part(0).MaxHeight(), 50.8f);
}

TEST(PartsEditorList, SuffixesAndTypedNames)
{
    clsAssemblyPart part;
    EXPECT_EQ(PartListEntry(part), ".");
    part.Include = true;
    EXPECT_EQ(PartListEntry(part), ". (included).");
    part.Name = "Furnace";
    EXPECT_EQ(PartListEntry(part), "Furnace (included).");
    part.Include = false;
    EXPECT_EQ(PartListEntry(part), "Furnace (ignored).");

    EXPECT_EQ(StripListSuffix("Furnace (included)."), "Furnace");
    EXPECT_EQ(StripListSuffix("Furnace (ignored).x"), "Furnacex");
    EXPECT_EQ(StripListSuffix("A (incl (included).uded)."), "A");
    EXPECT_EQ(StripListSuffix("Plug (inner)"), "Plug (inner)");

    Editor e;
    e.Part(3).Name = "Sleeve";
    e.Part(3).Include = true;
    e.Part(4).Name = "Plug";
    PartsView v = e.ed.FormUpdate();
    ASSERT_EQ(v.cboPartIdentity.size(), 31u); // slots 0 ... 30, the ones the file stores
    EXPECT_EQ(v.cboPartIdentity[3], "Sleeve (included).");
    EXPECT_EQ(v.cboPartIdentity[4], "Plug (ignored).");
    EXPECT_EQ(v.cboPartIdentity[5], ".");
    EXPECT_FALSE(v.partShown);
    EXPECT_EQ(v.partText, "");
    EXPECT_FALSE(e.ed.SelectPart(31));
    EXPECT_FALSE(e.ed.SelectPart(-1));

    // Typing over the shown entry: the name never collects the suffix.
    e.Select(3);
    EXPECT_EQ(e.ed.FormUpdate().partText, "Sleeve (included).");
    EXPECT_TRUE(e.ed.SetName("Sleeve 2 (included)."));
    EXPECT_FALSE(e.ed.SetName("Sleeve 2 (included)."));
    EXPECT_EQ(e.Part(3).Name, "Sleeve 2");
    EXPECT_EQ(e.ed.FormUpdate().partText, "Sleeve 2 (included).");
}

TEST(PartsEditorSelection, EditsFollowTheMainWindowsSelectionAndNeverReachTheNoPartEntry)
{
    Editor e;
    const clsAssemblyPart none = e.Part(-1);
    e.ed.FormUpdate();
    // Nothing selected: every edit is ignored.
    EXPECT_FALSE(e.ed.SetOuter("5"));
    EXPECT_FALSE(e.ed.SetName("X"));
    EXPECT_FALSE(e.ed.ChooseMaterial(1));
    EXPECT_FALSE(e.ed.IncludePart());
    EXPECT_FALSE(e.ed.DeletePart());
    EXPECT_FALSE(e.ed.BringToFront());
    EXPECT_FALSE(e.ed.DrawThisPart());

    // A click on the picture selects part 4: the editor edits nothing until it shows part 4.
    e.PartIndex = 4;
    EXPECT_FALSE(e.ed.InSync());
    EXPECT_FALSE(e.ed.SetOuter("5"));
    const PartsView v = e.ed.FormUpdate();
    EXPECT_EQ(e.ed.ActiveIndex, 4);
    EXPECT_TRUE(v.partShown);
    EXPECT_TRUE(e.ed.SetOuter("5"));
    EXPECT_FLOAT_EQ(e.Part(4).OuterRadius(), 5.0f);

    // A selection outside the editable slots shows no part.
    e.PartIndex = 31;
    EXPECT_FALSE(e.ed.FormUpdate().partShown);
    EXPECT_EQ(e.ed.ActiveIndex, -1);
    EXPECT_TRUE(e.ed.InSync());
    EXPECT_FALSE(e.ed.SetOuter("7"));

    EXPECT_FLOAT_EQ(e.Part(-1).OuterRadius(), none.OuterRadius());
    EXPECT_EQ(e.Part(-1).Name, none.Name);
    EXPECT_EQ(e.Part(-1).MaterialIndex, none.MaterialIndex);
    EXPECT_FALSE(e.Part(-1).Include);
}

TEST(PartsEditorMaterials, ChoosingAMaterialIncludesThePartAndUnknownIndicesShowNone)
{
    Editor e;
    e.Part(2).Name = "Capsule";
    e.Select(2);
    ASSERT_FALSE(e.Part(2).Include);
    PartsView v = e.ed.FormUpdate();
    EXPECT_EQ(v.cboMaterial, (std::vector<std::string>{"Alumina", "Graphite", "Cermet"}));
    EXPECT_EQ(v.materialPosition, -1);
    EXPECT_EQ(v.materialText, kNoMaterialText);

    EXPECT_TRUE(e.ed.ChooseMaterial(0));
    EXPECT_EQ(e.Part(2).MaterialIndex, 0);
    EXPECT_TRUE(e.Part(2).Include);
    v = e.ed.FormUpdate();
    EXPECT_EQ(v.partText, "Capsule (included).");
    EXPECT_EQ(v.materialPosition, 0);
    EXPECT_EQ(v.materialText, "Alumina");
    EXPECT_FALSE(e.ed.ChooseMaterial(3));
    EXPECT_FALSE(e.ed.ChooseMaterial(-1));
    EXPECT_EQ(e.Part(2).MaterialIndex, 0);

    // A material index beyond the table (a file read with another materials file).
    e.Part(2).MaterialIndex = 7;
    v = e.ed.FormUpdate();
    EXPECT_EQ(v.materialPosition, -1);
    EXPECT_EQ(v.materialText, kMaterialNotInTable);
    EXPECT_EQ(v.txtDensity, "0");
    EXPECT_EQ(v.txtPorosity, "0");
    EXPECT_FALSE(v.heatingOptionsEnabled);
}

TEST(PartsEditorMaterials, HeatingNeedsAResistivityAtTheBoundaryTemperature)
{
    Editor e;
    e.Select(0);
    ASSERT_TRUE(e.ed.ChooseMaterial(0)); // no resistivity coefficient
    EXPECT_FALSE(e.ed.FormUpdate().heatingOptionsEnabled);
    EXPECT_FALSE(e.ed.SetHeating(kAxialHeating));
    EXPECT_EQ(e.Part(0).HeatingType, kNonHeating);

    ASSERT_TRUE(e.ed.ChooseMaterial(1));
    EXPECT_TRUE(e.ed.FormUpdate().heatingOptionsEnabled);
    EXPECT_TRUE(e.ed.SetHeating(kRadialHeating));
    EXPECT_EQ(e.ed.FormUpdate().heatingOption, kRadialHeating);
    EXPECT_FALSE(e.ed.SetHeating(4));
    EXPECT_TRUE(e.ed.SetHeating(kNonHeating));

    // Zero exactly at tbc = 25, not at 30.
    ASSERT_TRUE(e.ed.ChooseMaterial(2));
    EXPECT_FALSE(e.ed.FormUpdate().heatingOptionsEnabled);
    e.tbc = 30.0f;
    EXPECT_TRUE(e.ed.FormUpdate().heatingOptionsEnabled);

    // A heating type the buttons do not have checks none of them.
    e.Part(0).HeatingType = 9;
    EXPECT_EQ(e.ed.FormUpdate().heatingOption, -1);
}

TEST(PartsEditorProperties, VolumeAndMassInGrams)
{
    // Halves of a milligram go to the even neighbour.
    EXPECT_EQ(PartMass(1.0f, 0.0f, 2.5f), 0.002);
    EXPECT_EQ(PartMass(1.0f, 0.0f, 3.5f), 0.004);
    EXPECT_EQ(PartMass(2.0f, 0.5f, 1000.0f), 1.0);
    EXPECT_FALSE(PartMass(1.0f, 0.0f, std::numeric_limits<float>::infinity()));

    Editor e;
    e.Select(0);
    ASSERT_TRUE(e.ed.ChooseMaterial(0));
    ASSERT_TRUE(e.ed.SetInner("2"));
    ASSERT_TRUE(e.ed.SetOuter("3"));
    ASSERT_TRUE(e.ed.SetLength("10"));
    const PartsView v = e.ed.FormUpdate();
    EXPECT_EQ(v.txtDensity, "3.98");
    EXPECT_EQ(v.txtPorosity, "0.25");
    // 5 pi x 10 mm^3; 0.75 x 3.98 g/cm^3 x 157.0796 mm^3 = 0.46888 g.
    EXPECT_NEAR(std::stod(v.txtVolume), 157.0796, 1e-4); // Single pi and products
    EXPECT_EQ(v.txtMass, "0.469");
}

TEST(PartsEditorActions, FrontAndBackKeepEveryPart)
{
    Editor e;
    for (int i = 0; i < 3; ++i) {
        e.Part(i).Name = std::string(1, static_cast<char>('A' + i));
        e.Part(i).Include = true;
    }
    e.Part(3).Name = "D"; // ignored, behind the included ones
    auto names = [&e] {
        std::string s;
        for (int i = 0; i < 4; ++i)
            s += e.Part(i).Name;
        return s;
    };

    e.Select(2);
    EXPECT_TRUE(e.ed.BringToFront());
    EXPECT_EQ(names(), "CABD");
    EXPECT_EQ(e.ed.ActiveIndex, 0);
    EXPECT_EQ(e.PartIndex, 0);
    EXPECT_EQ(e.DrawIndex, 0);
    EXPECT_FALSE(e.ed.BringToFront()); // already in front

    EXPECT_TRUE(e.ed.MoveToBack());
    EXPECT_EQ(names(), "ABCD");
    EXPECT_EQ(e.ed.ActiveIndex, 2);
    EXPECT_EQ(e.PartIndex, 2);
    EXPECT_EQ(e.DrawIndex, 2);
    EXPECT_FALSE(e.ed.MoveToBack()); // the highest included part stays

    // The ignored part goes behind the included ones only.
    e.Select(3);
    EXPECT_FALSE(e.ed.MoveToBack());
    EXPECT_TRUE(e.ed.BringToFront());
    EXPECT_EQ(names(), "DABC");
    std::set<std::string> all;
    for (int i = 0; i <= 31; ++i)
        all.insert(e.Part(i).Name);
    EXPECT_EQ(all, (std::set<std::string>{"A", "B", "C", "D", "."}));
}

TEST(PartsEditorActions, IncludeIgnoreDeleteAndNewAssembly)
{
    Editor e;
    e.Select(5);
    ASSERT_TRUE(e.ed.SetName("Heater"));
    ASSERT_TRUE(e.ed.ChooseMaterial(1));
    EXPECT_TRUE(e.ed.IgnorePart());
    EXPECT_FALSE(e.ed.IgnorePart());
    EXPECT_EQ(e.ed.FormUpdate().partText, "Heater (ignored).");
    EXPECT_TRUE(e.ed.IncludePart());
    EXPECT_EQ(e.ed.FormUpdate().partText, "Heater (included).");
    e.Part(5).Material = 4;
    EXPECT_TRUE(e.ed.DeletePart());
    EXPECT_EQ(e.Part(5).Name, ".");
    EXPECT_EQ(e.Part(5).MaterialIndex, -1);
    EXPECT_FALSE(e.Part(5).Include);
    EXPECT_EQ(e.Part(5).Material, 4); // the legacy number survives a reset
    EXPECT_EQ(e.PartIndex, 5);        // the emptied slot stays selected

    for (int i : {0, 17, 30, 31}) {
        e.Part(i).Include = true;
        e.Part(i).Name = "P";
        e.Part(i).OuterRadius(3.0f);
    }
    e.Tarsen.ThermocouplePosition(1, 1, 4.0f);
    EXPECT_TRUE(e.ed.NewAssembly());
    for (int i = 0; i <= 31; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(e.Part(i).Include);
        EXPECT_EQ(e.Part(i).Name, ".");
        EXPECT_FLOAT_EQ(e.Part(i).OuterRadius(), 0.0f);
    }
    EXPECT_EQ(e.PartIndex, -1);
    EXPECT_EQ(e.DrawIndex, -1);
    const PartsView v = e.ed.FormUpdate();
    EXPECT_FALSE(v.partShown);
    EXPECT_EQ(v.partText, "");
    EXPECT_EQ(v.txtThermocoupleJ[1], "4"); // thermocouples belong to no part
}

TEST(PartsEditorActions, TheDrawingSequenceStopsBelowZero)
{
    Editor e;
    for (int i : {0, 2, 3})
        e.Part(i).Include = true;
    e.Select(3);
    EXPECT_EQ(e.DrawIndex, 3);
    EXPECT_EQ(e.ed.DrawThisPart(), 3);
    EXPECT_EQ(e.DrawIndex, 2);
    EXPECT_EQ(e.ed.DrawNextInSequence(), 2);
    EXPECT_EQ(e.ed.DrawNextInSequence(), std::nullopt); // part 1 is ignored, still counted
    EXPECT_EQ(e.DrawIndex, 0);
    EXPECT_EQ(e.ed.DrawNextInSequence(), 0);
    EXPECT_EQ(e.DrawIndex, -1);
    EXPECT_EQ(e.ed.DrawNextInSequence(), std::nullopt);
    EXPECT_EQ(e.DrawIndex, -1);
}

TEST(PartsEditorPanels, ThermocouplesInMillimetresAndBoundaryLabels)
{
    Editor e;
    e.ed.SetInches(true);
    EXPECT_TRUE(e.ed.SetThermocouple(2, 0, "1.5"));
    EXPECT_FALSE(e.ed.SetThermocouple(2, 0, "1.50"));
    EXPECT_FALSE(e.ed.SetThermocouple(3, 0, "1"));
    EXPECT_FLOAT_EQ(e.Tarsen.ThermocouplePosition(2, 0), 1.5f);
    PartsView v = e.ed.FormUpdate();
    EXPECT_EQ(v.txtThermocoupleI[2], "1.5");

    EXPECT_EQ(v.lblBoundaryTypes[0], "r = 0. Zero-flux.");
    EXPECT_EQ(v.lblBoundaryTypes[1], "r = rmax. Isothermal.");
    EXPECT_EQ(v.lblBoundaryTypes[2], "z = zmax. Isothermal.");
    EXPECT_EQ(v.lblBoundaryTypes[3], "z = 0. Zero-flux.");
    e.ibcs[4] = 1;
    v = e.ed.FormUpdate();
    EXPECT_EQ(v.boundaryTypes, (std::array<std::int16_t, 4>{0, 1, 1, 1}));
    EXPECT_EQ(v.lblBoundaryTypes[3], "z = 0. Isothermal.");
}

} // namespace
} // namespace tarsen
