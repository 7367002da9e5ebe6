// Line joining: the construction that makes two straight lines meet in a
// corner, optionally replacing the sharp corner by a chamfer line or a fillet
// arc, the helper that applies such a join to the store, and the join
// operation built on them (corners, chamfers and fillets; fillet welds; the
// envelope cleanup of every line in a rectangle; cut marks).
//
// The construction is a pure function: it takes copies of two LINE cells,
// one click point per line, the chamfer values and the scale factors, and
// returns the changed lines and the corner piece; it reads no module state
// and does not touch the store. The join operation and the line operation's
// rounded chains both build on it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/ApManager.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "ops/OpKit.h"
#include "ops/OpRange.h"

// How the corner is finished, in real millimetres at the write group's scale.
// The first value above 0.001 in this order wins; none gives a sharp corner.
struct TChamfer {
  double side = 0;     // both lines end this far before the corner, a line joins the ends
  double face = 0;     // a chamfer line of this length, equally far along both lines
  double radius = 0;   // a fillet arc of this radius, tangent to both lines
  double concave = 0;  // an arc of this radius centred on the corner
};

struct TJoinParams {
  TChamfer chamfer;
  // Real millimetres per stored unit along x and y (GroupFactors of the write
  // layer): a real length L is L / x stored units along x. Both must be > 0.
  TScaleFactors factors;
  // Layer code and pen word of the corner piece.
  std::uint8_t cornerLayer = 0;
  std::uint16_t cornerPen = 0;
};

// Parameters for the current drawing: the write group's factors, the write
// layer and the write pen.
TJoinParams JoinParamsFor(const TPVC& pvc, const TChamfer& chamfer);

enum class JoinStatus {
  Ok,
  NotLines,     // not two live LINE cells (or non-finite coordinates, bad factors)
  ZeroLength,   // a line is shorter than the store keeps
  Parallel,     // parallel and not collinear
  PenMismatch,  // collinear or parallel lines whose pens differ
  NoCrossing,   // the crossing cannot be represented
  TooLarge,     // the chamfer or radius does not fit on the lines
};

struct TJoinResult {
  JoinStatus status = JoinStatus::NotLines;
  // The changed lines: copies of the inputs (layer, pen and the rest kept)
  // with new end points. A line that is not kept is removed: line 2 after a
  // collinear merge into line 1, or either line when the corner piece uses it
  // up entirely (its remaining length is below what the store keeps).
  TGcell line1, line2;
  bool keep1 = false, keep2 = false;
  // The chamfer line or arc; absent for a sharp corner or a merge, and when
  // the piece would be too small for the store to keep.
  bool hasCorner = false;
  TGcell corner;

  bool ok() const { return status == JoinStatus::Ok; }
};

// Makes line1 and line2 meet. Each line keeps the part on the side of its
// click point (projected on the line) and reaches exactly to the crossing of
// the two infinite lines, trimmed or extended; then the corner is finished
// as params.chamfer says. The corner's end on each line moves back from the
// crossing along that line; line 1 keeps its direction where its first point
// remains, otherwise its second point becomes the first.
//
// Two collinear lines (line 2 within 0.001 of line 1's line, directions
// within 0.0001 radians) with the same pen and line type merge into line 1
// covering both. On failure the result holds the status only.
TJoinResult JoinLines(const TGcell& line1, const TGcell& line2, TPointD click1, TPointD click2,
                      const TJoinParams& params);

// Rounds the corner between a chain segment and its successor: the start of
// line1 and the end of line2 remain, and an arc of the given radius joins
// them. The radius is in stored units (the caller converts what the user
// typed); 0.001 or less gives a sharp corner. The arc takes line 1's layer
// and pen word. Both lines keep their direction. Parallel segments, collinear
// ones too, are refused (a straight continuation has no corner).
TJoinResult RoundCorner(const TGcell& line1, const TGcell& line2, double radius);

// New store slots of an applied join; 0 where nothing was added.
struct TJoinAdded {
  int line1 = 0, line2 = 0, corner = 0;
};

// Joins the LINE cells in slots index1 and index2 of the current window:
// runs JoinLines on them; on success closes the previous undo step
// (GcellCommit), deletes both cells and appends the kept lines and the corner
// piece, all in one undo step. On failure nothing changes, not even the undo
// step. The slots are read before the commit, which may compact the store.
JoinStatus JoinStoredLines(int index1, int index2, TPointD click1, TPointD click2,
                           const TJoinParams& params, TJoinAdded* added = nullptr);

// ---- The fillet weld and the envelope (stored units) -------------------------

// The weld fill in the corner of two lines that cross at a point of both:
// a quadrilateral with legs of thickness real millimetres along both lines
// towards their click points and a slightly convex face. False when the
// lines do not cross on both or the thickness is 0.
bool WeldFill(const TGcell& line1, const TGcell& line2, TPointD click1, TPointD click2, double thickness,
              TScaleFactors f, TGcell& fill);

// What the envelope cleanup does with the lines of a rectangle: the slots of
// the lines it replaces and the lines that replace them.
struct TEnvelope {
  std::vector<int> removed;
  std::vector<TGcell> added;
};
// The cleanup of the given lines (slot and cell of each shown line of the
// window) with the window [lo, hi]: the lines that reach into it meet at
// their crossings, ends inside are trimmed back to the first crossing, lines
// crossing it lose what lies between their crossings, short ones are
// extended to meet, and collinear new lines of one pen merge (an end within
// mergeTol of the other's line).
TEnvelope Envelope(const std::vector<std::pair<int, TGcell>>& lines, TPointD lo, TPointD hi, double mergeTol);

// ---- The join operation ---------------------------------------------------------

enum class JoinState { Idle, JoinFirst, JoinSecond, WeldFirst, WeldSecond, EnvStart, EnvEnd };


// A cut mark: a point on a line where a join keeps the far part apart.
struct TCutMark {
  TCellRef line;
  TPointD at;
};

// The data of one run, made afresh at EV_START.
struct JoinRun {
  JoinState state = JoinState::Idle;
  TChamfer chamfer;  // ① to ④, real millimetres
  TCellRef line1;
  TPointD click1;
  TFeedback line1Shown;
  std::vector<TCutMark> marks;  // the newest first, two at most
  TFeedback marksShown;
  TFeedback cutShown;  // where the envelope states cut a line
  TRangeScreen screen;
};

// The weld's thickness as typed lasts in the configuration (AppOptions().SumiNik).
struct JoinOpState {
  JoinRun run;
};
extern JoinOpState g_joinOp;
void Op_LineConect_Reset();

void Op_LineConect(TGContext& view, int code, double x, double y);
