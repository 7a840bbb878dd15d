#include "chart/wheel_label_layout.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>
#include <optional>

// The layout has two halves that need not know each other's geometry.
//
// The labels along the circle: sorted by their places, the circle cut at the widest gap, each label first alone at
// its place. Two runs of labels that get in each other's way are merged, and a merged run is packed again: its
// labels one after the other, each at the first angle from its place (moved by the run's shift) at which it stands
// clear of the labels before it, the shift centring the run on its places and then moving it, where that helps,
// so that labels of signs with room stay inside them (a sign has room when its labels fit into it side by side,
// and its neighbours' into theirs). A run of three or more may instead be stacked inwards in two
// rows, the labels taking turns, which needs about two thirds of the arc; it is taken where that saves more than a
// few degrees. Each label's leader drops into it at one angle, its drop: where the label stands in front of its
// place, the place itself; otherwise its middle, or for a label of the inner row the gap its outer neighbours leave
// it; moved across the label where another label stands in the way. The drops keep the order of the places.
//
// The leaders: a leader whose drop is its place is a straight line. Any other leaves its place slantwise into the
// band between the places and the labels, follows a circle there, a track, to its drop and falls into its label.
// Since the drops keep the order of the places, two leaders going the same way whose stretches along the circle
// overlap can be stacked: the one that goes further takes the track nearer the places and passes above where the
// other falls; leaders going opposite ways never share a stretch. So no leader crosses another, and none passes
// through a label: the tracks lie above every label, and a drop falls only through its own label's gap. Nor may a
// run reach round the circle past its own first label, whose leader the last one's would then cross. Where the band
// holds too few tracks, it is widened and the labels laid out again a little further in; of the layouts whose tracks
// fit their band, the one whose labels stand nearest their places is taken.
namespace chart {

namespace {

constexpr double kCircleDegrees = 360.0;
constexpr double kSignDegrees = 30.0;
constexpr std::size_t kSigns = 12;
// Stacking a run in two rows shrinks the aspect circle; it is worth this many degrees of push along the circle.
constexpr double kStackedCostDegrees = 6.0;
// A layout that leaves a label outside its sign although the sign has room counts as this many degrees of push.
constexpr double kOutsideSignCost = 1000.0;
// A run is moved along the circle by up to this much, in steps, to keep labels inside their signs; the moves that
// look best are packed again, this many of them.
constexpr double kSignShiftDegrees = 60.0;
constexpr double kSignShiftStepDegrees = 0.5;
constexpr std::size_t kMovesPacked = 8;
// A run that does not fit packed from its first place is tried started this far back, in steps.
constexpr double kRetreatDegrees = 180.0;
constexpr double kRetreatStepDegrees = 15.0;
// Packing looks for a label's angle in steps, then halves the last step this many times.
constexpr double kPackStepDegrees = 0.5;
constexpr int kPackHalvings = 12;
constexpr double kPackLimitDegrees = 180.0;
// A drop is looked for in this many steps across its label's arc.
constexpr double kDropTries = 12;
// Labels whose places lie further apart than this never compete for a track.
constexpr double kApartDegrees = 150.0;
// Tracks are this many leader clearances apart; a track's arc is drawn in chords of at most this many degrees.
constexpr double kTrackGapInClearances = 2.0;
constexpr double kArcStepDegrees = 3.0;
// The band is widened at most this many times. Tracks may close up to this share of their room: a layout whose
// tracks need a little more band may keep its labels nearer their places than one laid out further in.
constexpr int kBandRounds = 4;
constexpr double kLeastTrackGapShare = 0.5;

double radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

double degrees(double radiansValue) {
    return radiansValue * 180.0 / std::numbers::pi;
}

Box grown(const Box& box, double by) {
    return {box.left - by, box.top - by, box.right + by, box.bottom + by};
}

double nearestDistance(Point from, const Box& box) {
    const double dx = std::max({box.left - from.x, 0.0, from.x - box.right});
    const double dy = std::max({box.top - from.y, 0.0, from.y - box.bottom});
    return std::hypot(dx, dy);
}

// Where the segment from p to q first enters the box, as a share of the way (0..1); nothing when it misses it.
std::optional<double> entryInto(Point p, Point q, const Box& box) {
    const double dx = q.x - p.x;
    const double dy = q.y - p.y;
    const double towards[4] = {-dx, dx, -dy, dy};
    const double room[4] = {p.x - box.left, box.right - p.x, p.y - box.top, box.bottom - p.y};
    double enter = 0;
    double leave = 1;
    for (int i = 0; i < 4; ++i) {
        if (towards[i] == 0) {
            if (room[i] < 0)
                return std::nullopt;
            continue;
        }
        const double t = room[i] / towards[i];
        if (towards[i] < 0)
            enter = std::max(enter, t);
        else
            leave = std::min(leave, t);
    }
    if (enter > leave)
        return std::nullopt;
    return enter;
}

// The angle of a point seen from the centre, unrolled to lie within half a turn of near.
double angleOf(Point center, Point p, double near) {
    const double angle = degrees(std::atan2(center.y - p.y, p.x - center.x));
    return near + normalizedAngle(angle - near + 180.0) - 180.0;
}

// A label laid out: its angle, row, box, the arc its box covers and where its leader falls into it.
struct Placed {
    double angle = 0;  // unrolled: may lie beyond 360
    int row = 0;       // 0: the outer row; 1: the inner one
    Box box;
    double from = 0, to = 0;  // the arc of the box, unrolled like angle
    double drop = 0;          // where the leader falls in, from <= drop <= to
};

// The labels in circular order with their angles unrolled from the widest gap on, and the runs they form.
class Layout {
  public:
    Layout(const std::vector<WheelLabel>& labels, const LabelField& field) : labels_(labels), field_(field) {
        sortFromWidestGap();
        measureRoom();
    }

    // Each label laid out, in the order given; nothing when one of them does not fit the field at all.
    std::optional<std::vector<Placed>> placed() {
        for (std::size_t k = 0; k < order_.size(); ++k) {
            std::optional<std::vector<Placed>> alone = bestRun(k, k + 1);
            if (!alone)
                return std::nullopt;
            runs_.push_back({k, k + 1, std::move(*alone)});
        }
        for (;;) {
            const std::optional<bool> merged = mergeClashingRuns();
            if (!merged)
                return std::nullopt;
            if (!*merged)
                break;
        }
        std::vector<Placed> result(labels_.size());
        for (const Run& run : runs_)
            for (std::size_t k = run.begin; k < run.end; ++k)
                result[order_[k]] = run.labels[k - run.begin];
        return result;
    }

    // The cost of the layout placed() made, as a run's: how far its labels stand from their places, how many
    // have left a sign with room.
    double cost() const {
        Pushed pushed;
        for (const Run& run : runs_)
            addPushed(pushed, run.begin, run.labels, 0);
        return pushed.cost();
    }

  private:
    struct Run {
        std::size_t begin, end;  // positions in order_, end exclusive
        std::vector<Placed> labels;
    };

    void sortFromWidestGap() {
        const std::size_t n = labels_.size();
        order_.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            order_[i] = i;
        std::sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
            return labels_[a].place != labels_[b].place ? labels_[a].place < labels_[b].place : a < b;
        });
        std::size_t first = 0;
        double widest = -1;
        for (std::size_t k = 0; k < n; ++k) {
            const double gap = normalizedAngle(labels_[order_[k]].place - labels_[order_[(k + n - 1) % n]].place);
            if (gap > widest) {
                widest = gap;
                first = k;
            }
        }
        std::rotate(order_.begin(), order_.begin() + static_cast<std::ptrdiff_t>(first), order_.end());
        for (std::size_t k = 0; k < n; ++k) {
            const WheelLabel& label = labels_[order_[k]];
            double place = label.place;
            if (k > 0)
                while (place < place_.back())
                    place += kCircleDegrees;
            place_.push_back(place);
            // The sign in the same turn of the circle as the place.
            signStart_.push_back(place - normalizedAngle(place - label.signStart));
        }
    }

    // A label is kept in its sign where its sign has room, and both neighbouring signs have too (their labels would
    // press into it): the labels of each fit into its arc side by side in the outer row.
    void measureRoom() {
        const std::size_t n = order_.size();
        // The arc the labels of each sign take, by the sign's number counted from the first label's sign.
        std::vector<double> taken(kSigns, 0.0);
        auto signOf = [&](std::size_t k) {
            const double turns = (signStart_[k] - signStart_[0]) / kSignDegrees;
            return static_cast<std::size_t>(std::lround(turns)) % kSigns;
        };
        for (std::size_t k = 0; k < n; ++k) {
            const std::optional<Placed> alone = labelAt(k, place_[k], 0);
            taken[signOf(k)] += alone ? alone->to - alone->from + padDegrees(alone->box) : kCircleDegrees;
        }
        roomy_.assign(n, false);
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t sign = signOf(k);
            roomy_[k] = taken[sign] <= kSignDegrees && taken[(sign + 1) % kSigns] <= kSignDegrees &&
                        taken[(sign + kSigns - 1) % kSigns] <= kSignDegrees;
        }
    }

    double signEnd(std::size_t k) const { return signStart_[k] + kSignDegrees; }

    double radiusOf(const Box& box) const {
        return std::hypot((box.left + box.right) / 2 - field_.center.x, (box.top + box.bottom) / 2 - field_.center.y);
    }

    // The angle a length takes at the radius of a box.
    double degreesAt(const Box& box, double length) const { return degrees(length / std::max(1.0, radiusOf(box))); }
    double padDegrees(const Box& box) const { return degreesAt(box, field_.pad); }

    // How deep along the radius the deepest label is at an angle: the inner row starts that and a pad further in.
    double rowDepth(double angle) const {
        const double c = std::fabs(std::cos(radians(angle)));
        const double s = std::fabs(std::sin(radians(angle)));
        double depth = 0;
        for (const WheelLabel& label : labels_)
            depth = std::max(depth, c * label.width + s * label.height);
        return depth + field_.pad;
    }

    // Label k with its middle at the angle in the row, its farthest corner on the row's outer circle; nothing
    // where it does not fit the field.
    std::optional<Placed> labelAt(std::size_t k, double angle, int row) const {
        const WheelLabel& label = labels_[order_[k]];
        const double halfWidth = label.width / 2;
        const double halfHeight = label.height / 2;
        const double reach = field_.outer - row * rowDepth(angle);
        const double halfDepth =
            (std::fabs(std::cos(radians(angle))) * label.width + std::fabs(std::sin(radians(angle))) * label.height) /
            2;
        const double discriminant =
            halfDepth * halfDepth - (halfWidth * halfWidth + halfHeight * halfHeight - reach * reach);
        if (reach <= 0 || discriminant < 0)
            return std::nullopt;
        const double radius = -halfDepth + std::sqrt(discriminant);
        if (radius <= 0)
            return std::nullopt;
        const Point middle = pointAt(field_.center, angle, radius);
        Placed placed;
        placed.angle = angle;
        placed.row = row;
        placed.box = {middle.x - halfWidth, middle.y - halfHeight, middle.x + halfWidth, middle.y + halfHeight};
        if (nearestDistance(field_.center, placed.box) < field_.inner)
            return std::nullopt;
        placed.from = angle;
        placed.to = angle;
        for (const Point corner :
             {Point{placed.box.left, placed.box.top}, Point{placed.box.right, placed.box.top},
              Point{placed.box.left, placed.box.bottom}, Point{placed.box.right, placed.box.bottom}}) {
            const double a = angleOf(field_.center, corner, angle);
            placed.from = std::min(placed.from, a);
            placed.to = std::max(placed.to, a);
        }
        return placed;
    }

    // The room a leader keeps to a label it passes, as an angle at the label.
    double clearanceDegrees(const Box& box) const { return degreesAt(box, field_.clearance); }

    // Whether the box stands in the way of the drop of a label.
    bool blocksDrop(const Box& box, const Placed& label) const {
        const Point top = pointAt(field_.center, label.drop, field_.placeRadius);
        const Point down = pointAt(field_.center, label.drop, field_.inner);
        const double reach = entryInto(top, down, label.box).value_or(0);
        const Point end{top.x + (down.x - top.x) * reach, top.y + (down.y - top.y) * reach};
        return segmentEntersBox(top, end, grown(box, field_.clearance));
    }

    // Whether label k can stand as given after the labels of its run placed before it; sets its drop: the angle at
    // which its leader falls into it past every other label, its place where it can, else its middle where it can.
    bool fits(std::size_t k, Placed& label, const std::vector<Placed>& before, bool stacked) const {
        for (const Placed& other : before)
            if (label.box.overlaps(grown(other.box, field_.pad)))
                return false;
        const double margin = clearanceDegrees(label.box);
        if (label.to - label.from <= 2 * margin)
            return false;
        double least = label.from + margin;
        if (label.row == 1) {
            // Its leader falls through the gap its outer neighbours leave, right after the one before.
            const Placed& outer = before.back();
            least = std::max(least, outer.to + 2 * clearanceDegrees(outer.box));
        } else if (stacked && !before.empty() && before.back().row == 1) {
            // An outer label leaves the gap for the drop of the inner one before it.
            if (label.from < before.back().drop + 2 * margin)
                return false;
        }
        if (!before.empty())
            least = std::max(least, before.back().drop + margin);
        double most = label.to - margin;
        if (!before.empty()) {
            // Round the circle, the run must not come back over its first label: a drop beyond the first's drop or
            // place a turn on, or the first's drop behind this place a turn back, would make the two leaders cross.
            const Placed& first = before.front();
            const double firstPlace = place_[k - before.size()];
            if (place_[k] > first.drop + kCircleDegrees)
                return false;
            most = std::min({most, first.drop + kCircleDegrees, firstPlace + kCircleDegrees});
        }
        if (least > most)
            return false;
        // The place itself where the label stands in front of it, otherwise the label's middle; then on towards
        // the end of the arc that has room.
        const bool inFront = least <= place_[k] && place_[k] <= most;
        const double nearest = inFront ? place_[k] : std::clamp(label.angle, least, most);
        const double away = nearest < most ? 1.0 : -1.0;
        const double step = std::max((most - least) / kDropTries, 1e-6);
        for (double drop = nearest; drop >= least - 1e-9 && drop <= most + 1e-9; drop += away * step) {
            label.drop = drop;
            bool clear = true;
            for (const Placed& other : before) {
                // Only a label over whose arc a drop passes can be in its way.
                if (clear && drop >= other.from - margin && drop <= other.to + margin)
                    clear = !blocksDrop(other.box, label);
                if (clear && other.drop >= label.from - margin && other.drop <= label.to + margin)
                    clear = !blocksDrop(label.box, other);
            }
            if (clear)
                return true;
        }
        return false;
    }

    // The run's labels packed from the shift on; nothing when one does not fit.
    std::optional<std::vector<Placed>> pack(std::size_t begin, std::size_t end, bool stacked, double shift) const {
        std::vector<Placed> run;
        for (std::size_t k = begin; k < end; ++k) {
            const double least = run.empty() ? place_[k] + shift : std::max(place_[k] + shift, run.back().angle);
            // Stacked, a label that would be pushed takes the inner row after an outer one, and the other way round.
            int row = 0;
            if (stacked && !run.empty() && run.back().row == 0) {
                std::optional<Placed> unpushed = labelAt(k, least, 0);
                if (!unpushed || !fits(k, *unpushed, run, stacked))
                    row = 1;
            }
            auto tryAt = [&](double angle) -> std::optional<Placed> {
                std::optional<Placed> label = labelAt(k, angle, row);
                if (label && fits(k, *label, run, stacked))
                    return label;
                return std::nullopt;
            };
            std::optional<Placed> found = tryAt(least);
            double step = kPackStepDegrees;
            double at = least;
            while (!found && at < least + kPackLimitDegrees) {
                at += step;
                found = tryAt(at);
            }
            if (!found)
                return std::nullopt;
            // Just after the last angle that did not fit.
            double below = at - step;
            for (int i = 0; i < kPackHalvings && at > least; ++i) {
                const double middle = (below + at) / 2;
                if (std::optional<Placed> nearer = tryAt(middle)) {
                    found = nearer;
                    at = middle;
                } else {
                    below = middle;
                }
            }
            run.push_back(*found);
        }
        return run;
    }

    // How far labels stand from their places, and how many have left a sign with room.
    struct Pushed {
        int outside = 0;
        double farthest = 0;
        double total = 0;
        std::size_t count = 0;
        double cost() const {
            return kOutsideSignCost * outside + farthest + (count > 0 ? total / static_cast<double>(count) : 0.0);
        }
    };

    void addPushed(Pushed& pushed, std::size_t begin, const std::vector<Placed>& run, double shift) const {
        for (std::size_t i = 0; i < run.size(); ++i) {
            const std::size_t k = begin + i;
            const double angle = run[i].angle + shift;
            const double moved = std::fabs(angle - place_[k]);
            pushed.farthest = std::max(pushed.farthest, moved);
            pushed.total += moved;
            ++pushed.count;
            if (roomy_[k] && (angle < signStart_[k] || angle > signEnd(k)))
                ++pushed.outside;
        }
    }

    double cost(std::size_t begin, const std::vector<Placed>& run, double shift = 0) const {
        Pushed pushed;
        addPushed(pushed, begin, run, shift);
        return pushed.cost();
    }

    // The run packed centred on its places, then moved where that keeps more labels in their signs.
    std::optional<std::vector<Placed>> centredRun(std::size_t begin, std::size_t end, bool stacked) const {
        double shift = 0;
        std::optional<std::vector<Placed>> run = pack(begin, end, stacked, shift);
        // Packed from the first place on, a long run may reach round the circle to its first label; started further
        // back, it may not.
        for (double back = kRetreatStepDegrees; !run && back <= kRetreatDegrees; back += kRetreatStepDegrees) {
            shift = -back;
            run = pack(begin, end, stacked, shift);
        }
        for (int round = 0; round < 3; ++round) {
            if (round > 0)
                run = pack(begin, end, stacked, shift);
            if (!run)
                return std::nullopt;
            double least = std::numeric_limits<double>::infinity();
            double most = -least;
            for (std::size_t i = 0; i < run->size(); ++i) {
                least = std::min(least, (*run)[i].angle - place_[begin + i]);
                most = std::max(most, (*run)[i].angle - place_[begin + i]);
            }
            const double centring = -(least + most) / 2;
            if (std::fabs(centring) < 1e-3)
                break;
            shift += centring;
        }
        // The moves whose labels, moved as they stand, would leave the fewest labels outside signs with room and
        // stand nearest their places; packed again at a move the labels shift a little, so the few best are packed.
        std::vector<std::pair<double, double>> moves;  // (cost, move)
        for (double move = -kSignShiftDegrees; move <= kSignShiftDegrees; move += kSignShiftStepDegrees)
            moves.push_back({cost(begin, *run, move), move});
        std::sort(moves.begin(), moves.end());
        double bestCost = cost(begin, *run);
        for (std::size_t i = 0; i < std::min(moves.size(), kMovesPacked); ++i) {
            if (moves[i].second == 0)
                continue;
            std::optional<std::vector<Placed>> moved = pack(begin, end, stacked, shift + moves[i].second);
            if (moved && cost(begin, *moved) < bestCost) {
                bestCost = cost(begin, *moved);
                run = std::move(moved);
            }
        }
        return run;
    }

    std::optional<std::vector<Placed>> bestRun(std::size_t begin, std::size_t end) const {
        std::optional<std::vector<Placed>> best = centredRun(begin, end, false);
        if (end - begin >= 3) {
            std::optional<std::vector<Placed>> stacked = centredRun(begin, end, true);
            if (stacked && (!best || cost(begin, *stacked) + kStackedCostDegrees < cost(begin, *best)))
                best = std::move(stacked);
        }
        return best;
    }

    // Whether two runs get in each other's way: labels too close, a label in the way of a drop, or drops out of
    // the order of the places round the circle.
    bool runsClash(const Run& a, const Run& b) const {
        auto turned = [](double d) { return normalizedAngle(d + 180.0) - 180.0; };
        for (std::size_t i = 0; i < a.labels.size(); ++i) {
            const Placed& x = a.labels[i];
            for (std::size_t j = 0; j < b.labels.size(); ++j) {
                const Placed& y = b.labels[j];
                if (x.box.overlaps(grown(y.box, field_.pad)) || blocksDrop(x.box, y) || blocksDrop(y.box, x))
                    return true;
                // Labels half a circle apart share no stretch of track.
                const double places = turned(place_[b.begin + j] - place_[a.begin + i]);
                const double drops = turned(y.drop - x.drop);
                if (std::fabs(places) < kApartDegrees && std::fabs(drops) < kApartDegrees &&
                    (places * drops < 0 || (places != 0 && drops == 0)))
                    return true;
            }
        }
        return false;
    }

    // Moves the labels before the run at position r behind the last, a turn of the circle further on, so that r
    // comes first.
    void rotateToRun(std::size_t r) {
        const std::size_t count = runs_[r].begin;
        if (count == 0)
            return;
        const auto by = static_cast<std::ptrdiff_t>(count);
        std::rotate(order_.begin(), order_.begin() + by, order_.end());
        for (std::vector<double>* angles : {&place_, &signStart_}) {
            std::rotate(angles->begin(), angles->begin() + by, angles->end());
            for (auto a = angles->end() - by; a != angles->end(); ++a)
                *a += kCircleDegrees;
        }
        std::rotate(roomy_.begin(), roomy_.begin() + by, roomy_.end());
        std::rotate(runs_.begin(), runs_.begin() + static_cast<std::ptrdiff_t>(r), runs_.end());
        const std::size_t n = order_.size();
        for (Run& run : runs_) {
            if (run.begin < count) {
                run.begin += n - count;
                run.end += n - count;
                for (Placed& label : run.labels) {
                    label.angle += kCircleDegrees;
                    label.from += kCircleDegrees;
                    label.to += kCircleDegrees;
                    label.drop += kCircleDegrees;
                }
            } else {
                run.begin -= count;
                run.end -= count;
            }
        }
    }

    // Merges the first two runs that clash, with every run between them (the shorter way round); false when none
    // clash, nothing when the merged run does not fit.
    std::optional<bool> mergeClashingRuns() {
        const std::size_t count = runs_.size();
        for (std::size_t i = 0; i < count; ++i) {
            for (std::size_t j = i + 1; j < count; ++j) {
                if (!runsClash(runs_[i], runs_[j]))
                    continue;
                // Forward from i to j, or from j round the cut to i: whichever spans the shorter arc.
                const double forward = place_[runs_[j].end - 1] - place_[runs_[i].begin];
                const double round = place_[runs_[i].end - 1] + kCircleDegrees - place_[runs_[j].begin];
                const bool wrap = round < forward;
                const std::size_t first = wrap ? j : i;
                const std::size_t merged = wrap ? count - (j - i) + 1 : j - i + 1;
                rotateToRun(first);
                const std::size_t end = runs_[merged - 1].end;
                runs_.erase(runs_.begin() + 1, runs_.begin() + static_cast<std::ptrdiff_t>(merged));
                runs_[0].end = end;
                std::optional<std::vector<Placed>> labels = bestRun(0, end);
                if (!labels)
                    return std::nullopt;
                runs_[0].labels = std::move(*labels);
                return true;
            }
        }
        return false;
    }

    const std::vector<WheelLabel>& labels_;
    const LabelField& field_;
    std::vector<std::size_t> order_;
    std::vector<double> place_;
    std::vector<double> signStart_;
    std::vector<bool> roomy_;
    std::vector<Run> runs_;
};

// The leaders to labels laid out: which track each takes, and the lines.
class Leaders {
  public:
    Leaders(const std::vector<WheelLabel>& labels, const std::vector<Placed>& placed, const LabelField& field)
        : labels_(labels), placed_(placed), field_(field) {
        unrollDrops();
        stackTracks();
    }

    // The band the tracks need between the places and the labels, with all the room they want or closed up as far
    // as they may.
    double bandNeeded(bool closedUp = false) const {
        const double gap = closedUp ? kLeastTrackGapShare * trackGap() : trackGap();
        return (deepestTrack_ + 1) * gap + field_.clearance + arcDip(field_.placeRadius);
    }

    // The room between neighbouring tracks in a band: as much as wanted where the band has room, otherwise the
    // tracks close up.
    double trackGapIn(double band) const {
        return std::min(trackGap(), (band - field_.clearance) / (deepestTrack_ + 1));
    }

    // Whether the tracks fit into the band, closed up to no less than a share of the room they want.
    bool fitInto(double band) const { return trackGapIn(band) >= kLeastTrackGapShare * trackGap(); }

    std::vector<LabelSpot> spots(double band) const {
        const double gap = trackGapIn(band);
        std::vector<LabelSpot> spots;
        for (std::size_t i = 0; i < placed_.size(); ++i)
            spots.push_back({normalizedAngle(placed_[i].angle), placed_[i].box, leader(i, gap)});
        return spots;
    }

  private:
    double trackGap() const { return std::max(1.0, kTrackGapInClearances * field_.clearance); }

    static double arcDip(double radius) { return radius * (1 - std::cos(radians(kArcStepDegrees / 2))); }

    // Each drop unrolled within half a turn of its place, so that a leader's stretch runs from its place to it.
    void unrollDrops() {
        for (std::size_t i = 0; i < placed_.size(); ++i) {
            const double place = labels_[i].place;
            const double drop = place + normalizedAngle(placed_[i].drop - place + 180.0) - 180.0;
            place_.push_back(place);
            drop_.push_back(std::fabs(drop - place) < 1e-9 ? place : drop);
        }
    }

    // Whether leader j, going the same way as leader i, starts within i's stretch or beside i going further, so
    // that it passes above where i falls and needs the shallower track.
    bool passesOver(std::size_t j, std::size_t i) const {
        const double way = drop_[i] > place_[i] ? 1.0 : -1.0;
        if ((drop_[j] > place_[j] ? 1.0 : -1.0) != way || drop_[j] == place_[j])
            return false;
        const double start = normalizedAngle(way * (place_[j] - place_[i]) + 180.0) - 180.0;
        const double length = std::fabs(drop_[i] - place_[i]);
        if (start == 0)
            return std::fabs(drop_[j] - place_[j]) > length || (std::fabs(drop_[j] - place_[j]) == length && j > i);
        return start > 0 && start < length;
    }

    // Tracks by depth, 0 nearest the places: below every leader that passes over it.
    void stackTracks() {
        const std::size_t n = placed_.size();
        track_.assign(n, -1);
        for (std::size_t i = 0; i < n; ++i)
            deepestTrack_ = std::max(deepestTrack_, trackOf(i, 0));
    }

    int trackOf(std::size_t i, std::size_t depth) {
        if (track_[i] >= 0)
            return track_[i];
        int track = 0;
        if (drop_[i] != place_[i] && depth < placed_.size())
            for (std::size_t j = 0; j < placed_.size(); ++j)
                if (j != i && passesOver(j, i))
                    track = std::max(track, trackOf(j, depth + 1) + 1);
        track_[i] = track;
        return track;
    }

    std::vector<Point> leader(std::size_t i, double gap) const {
        const Point center = field_.center;
        const double place = place_[i];
        const double drop = drop_[i];
        const Point from = pointAt(center, place, field_.placeRadius);
        auto into = [&](Point top) {
            const Point down = pointAt(center, drop, field_.inner);
            const double t = entryInto(top, down, placed_[i].box).value_or(0);
            return Point{top.x + (down.x - top.x) * t, top.y + (down.y - top.y) * t};
        };
        if (drop == place)
            return {from, into(from)};
        const double way = drop > place ? 1.0 : -1.0;
        const double radius = field_.placeRadius - (track_[i] + 1) * gap;
        // Slantwise into the track, about a track's gap along the circle, but not past the drop.
        const double slant = std::min(degrees(gap / field_.placeRadius), std::fabs(drop - place));
        std::vector<Point> line{from};
        for (double angle = place + way * slant; way * (drop - angle) > 1e-9;
             angle += way * std::min(kArcStepDegrees, std::fabs(drop - angle)))
            line.push_back(pointAt(center, angle, radius));
        const Point top = pointAt(center, drop, radius);
        line.push_back(top);
        line.push_back(into(top));
        return line;
    }

    const std::vector<WheelLabel>& labels_;
    const std::vector<Placed>& placed_;
    const LabelField& field_;
    std::vector<double> place_;
    std::vector<double> drop_;
    std::vector<int> track_;
    int deepestTrack_ = 0;
};

}  // namespace

bool segmentEntersBox(Point p, Point q, const Box& box) {
    const Box inside{box.left + 1e-9, box.top + 1e-9, box.right - 1e-9, box.bottom - 1e-9};
    const std::optional<double> enter = entryInto(p, q, inside);
    const std::optional<double> leave = entryInto(q, p, inside);
    return enter && leave && *enter < 1 - *leave;
}

Point pointAt(Point center, double angle, double radius) {
    return {center.x + radius * std::cos(radians(angle)), center.y - radius * std::sin(radians(angle))};
}

double normalizedAngle(double degreesValue) {
    double d = std::fmod(degreesValue, kCircleDegrees);
    if (d < 0)
        d += kCircleDegrees;
    return d >= kCircleDegrees ? 0.0 : d;
}

namespace {

// The layout below bands as wide as the tracks need; nothing when the labels do not fit the field at all.
std::optional<std::vector<LabelSpot>> layoutBelowBand(const std::vector<WheelLabel>& labels, const LabelField& field) {
    // Each round lays the labels out below a band wide enough for the tracks the round before needed. Widening the
    // band moves the labels in, where they have less room and may need more tracks still; so of the rounds whose
    // tracks fit, closed up or not, the one with its labels nearest their places is taken.
    double band = field.placeRadius - field.outer;
    std::optional<std::vector<LabelSpot>> best;
    std::optional<std::vector<LabelSpot>> last;
    double bestCost = 0;
    for (int round = 0; round <= kBandRounds; ++round) {
        LabelField wider = field;
        wider.outer = field.placeRadius - band;
        Layout layout(labels, wider);
        const std::optional<std::vector<Placed>> placed = layout.placed();
        if (!placed)
            break;
        const Leaders leaders(labels, *placed, wider);
        last = leaders.spots(band);
        if (leaders.fitInto(band) && (!best || layout.cost() < bestCost)) {
            best = last;
            bestCost = layout.cost();
        }
        if (leaders.bandNeeded() <= band + 1e-9)
            break;
        // First the band in which these tracks would fit closed up, then the one in which they have their room.
        band = leaders.bandNeeded(true) > band + 1e-9 ? leaders.bandNeeded(true) : leaders.bandNeeded();
    }
    return best ? best : last;
}

}  // namespace

std::vector<LabelSpot> layoutWheelLabels(const std::vector<WheelLabel>& labels, const LabelField& field) {
    if (labels.empty())
        return {};
    if (std::optional<std::vector<LabelSpot>> spots = layoutBelowBand(labels, field))
        return *spots;
    if (field.innermost > 0 && field.innermost < field.inner) {
        LabelField deeper = field;
        deeper.inner = field.innermost;
        if (std::optional<std::vector<LabelSpot>> spots = layoutBelowBand(labels, deeper))
            return *spots;
    }
    // No room for the labels at all (a picture of a few pixels): each at its place, its leader a point.
    std::vector<LabelSpot> spots;
    for (const WheelLabel& label : labels) {
        const Point at = pointAt(field.center, label.place, field.placeRadius);
        spots.push_back({label.place, {at.x, at.y, at.x, at.y}, {at, at}});
    }
    return spots;
}

}  // namespace chart
