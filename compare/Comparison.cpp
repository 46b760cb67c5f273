#include "compare/Comparison.h"

#include "compare/BigSide.h"
#include "compare/EngineSide.h"

#include <pthread.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tess::compare {
namespace {

uint64_t finish(uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

uint64_t mix(uint64_t h, uint64_t v)
{
    return finish(h ^ (v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2)));
}

uint64_t hashText(std::string_view s)
{
    return std::hash<std::string_view>{}(s);
}

// Runs fn on a thread whose stack holds a walk through nesting of any depth the readers
// produce (the stack is reserved, and only the part used is ever touched).
void runOnLargeStack(const std::function<void()>& fn)
{
    constexpr std::size_t kStack = std::size_t(1) << 30;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, kStack);
    pthread_t thread;
    auto start = [](void* arg) -> void* {
        (*static_cast<const std::function<void()>*>(arg))();
        return nullptr;
    };
    const bool started = pthread_create(&thread, &attr, start, const_cast<std::function<void()>*>(&fn)) == 0;
    pthread_attr_destroy(&attr);
    if (started)
        pthread_join(thread, nullptr);
    else
        fn();
}

template <class L, class R>
class Walker {
public:
    using LI = typename L::Item;
    using RI = typename R::Item;

    Walker(const L& left, const R& right, const CompareOptions& options, const DifferenceSink<L, R>& found)
        : m_l(left), m_r(right), m_o(options), m_found(found)
    {
    }

    void run()
    {
        LI a;
        RI b;
        const bool hasA = m_l.root(a);
        const bool hasB = m_r.root(b);
        if (hasA && hasB)
            compareValues(a, b);
        else if (hasA)
            report(DiffKind::Removed, &a, nullptr);
        else if (hasB)
            report(DiffKind::Added, nullptr, &b);
    }

    CompareSummary summary;

private:
    // Every so many values: the cancel flag, and progress at the left side's position.
    void tick(uint64_t position)
    {
        if ((++m_ticks & 0x3FFF) != 0)
            return;
        if (m_o.cancel && m_o.cancel->load(std::memory_order_relaxed)) {
            summary.cancelled = true;
            m_stop = true;
        }
        if (position != 0)
            m_position = position;
        if (m_o.progress)
            m_o.progress(m_position, m_l.total());
    }

    void report(DiffKind kind, const LI* a, const RI* b)
    {
        switch (kind) {
        case DiffKind::Added: ++summary.added; break;
        case DiffKind::Removed: ++summary.removed; break;
        case DiffKind::Changed: ++summary.changed; break;
        case DiffKind::TypeChanged: ++summary.typeChanged; break;
        }
        if (!m_found(Difference<L, R>{kind, m_path, a, b, m_containers.empty() ? nullptr : &m_containers.back()})) {
            summary.stopped = true;
            m_stop = true;
        }
    }

    void note(NoteKind kind, uint64_t size)
    {
        ++summary.noteCount;
        if (summary.notes.size() < m_o.maxNotes)
            summary.notes.push_back({kind, m_path, size});
    }

    // A hash of the value that equal values share: numbers by value, strings by their
    // characters, objects whatever the order of their members (a repeated name in its order).
    template <class S>
    uint64_t hashOf(const S& side, const typename S::Item& item)
    {
        tick(0);
        const ValueType t = side.typeOf(item);
        uint64_t h = static_cast<uint64_t>(t) + 1;
        if (t == ValueType::Object) {
            std::vector<std::pair<uint64_t, uint64_t>> members;
            std::string name;
            auto cursor = side.children(item);
            typename S::Item child;
            while (!m_stop && cursor.next(child)) {
                name.clear();
                side.memberName(child, name);
                members.emplace_back(hashText(name), hashOf(side, child));
            }
            std::stable_sort(members.begin(), members.end(),
                             [](const auto& x, const auto& y) { return x.first < y.first; });
            for (const auto& m : members)
                h = mix(mix(h, m.first), m.second);
            return mix(h, members.size());
        }
        if (t == ValueType::Array) {
            uint64_t count = 0;
            auto cursor = side.children(item);
            typename S::Item child;
            while (!m_stop && cursor.next(child)) {
                h = mix(h, hashOf(side, child));
                ++count;
            }
            return mix(h, count);
        }
        std::string key;
        side.scalarKey(item, key);
        return mix(h, hashText(key));
    }

    void pushName(std::string name) { m_path.push_back({false, 0, std::move(name)}); }
    void pushIndex(uint64_t index) { m_path.push_back({true, index, {}}); }

    void compareValues(const LI& a, const RI& b)
    {
        if (m_stop)
            return;
        tick(m_l.position(a));
        const ValueType ta = m_l.typeOf(a);
        const ValueType tb = m_r.typeOf(b);
        if (typeGroup(ta) != typeGroup(tb)) {
            report(DiffKind::TypeChanged, &a, &b);
            return;
        }
        if (ta == ValueType::Object || ta == ValueType::Array) {
            m_containers.push_back(a);
            if (ta == ValueType::Object)
                compareObjects(a, b);
            else
                compareArrays(a, b);
            m_containers.pop_back();
            return;
        }
        if (ta != tb) {
            report(DiffKind::Changed, &a, &b);
            return;
        }
        if (ta == ValueType::Null || ta == ValueType::True || ta == ValueType::False)
            return;
        m_keyA.clear();
        m_keyB.clear();
        m_l.scalarKey(a, m_keyA);
        m_r.scalarKey(b, m_keyB);
        if (m_keyA != m_keyB)
            report(DiffKind::Changed, &a, &b);
    }

    template <class Item>
    struct Member {
        std::string name;
        Item item;
    };

    void compareObjects(const LI& a, const RI& b)
    {
        auto ca = m_l.children(a);
        auto cb = m_r.children(b);
        LI x;
        RI y;
        std::string nx, ny;
        auto readA = [&] {
            nx.clear();
            const bool has = ca.next(x);
            if (has)
                m_l.memberName(x, nx);
            return has;
        };
        auto readB = [&] {
            ny.clear();
            const bool has = cb.next(y);
            if (has)
                m_r.memberName(y, ny);
            return has;
        };
        bool hx = readA();
        bool hy = readB();
        // Members in the same order on both sides are paired as they come.
        while (hx && hy && nx == ny && !m_stop) {
            pushName(nx);
            compareValues(x, y);
            m_path.pop_back();
            hx = readA();
            hy = readB();
        }
        if (m_stop || (!hx && !hy))
            return;
        compareObjectRest(ca, hx, x, nx, cb, hy, y, ny);
    }

    // The rest of two objects after the members in the same order, paired by name, held
    // as names and items. hx/hy: x/y (named nx/ny) was read and is the first of the rest.
    template <class CA, class CB>
    [[gnu::noinline]] void compareObjectRest(CA& ca, bool hx, LI x, std::string nx, CB& cb, bool hy, RI y,
                                             std::string ny)
    {
        auto readA = [&] {
            nx.clear();
            const bool has = ca.next(x);
            if (has)
                m_l.memberName(x, nx);
            return has;
        };
        auto readB = [&] {
            ny.clear();
            const bool has = cb.next(y);
            if (has)
                m_r.memberName(y, ny);
            return has;
        };
        std::vector<Member<LI>> restA;
        std::vector<Member<RI>> restB;
        bool tooMany = false;
        // Past the bound on either side the cursors stand after the last member held.
        while (hx) {
            restA.push_back({std::move(nx), x});
            if (restA.size() > m_o.maxMembers) {
                tooMany = true;
                break;
            }
            hx = readA();
        }
        while (hy) {
            restB.push_back({std::move(ny), y});
            if (tooMany || restB.size() > m_o.maxMembers) {
                tooMany = true;
                break;
            }
            hy = readB();
        }
        if (tooMany) {
            note(NoteKind::StoredOrder, std::max(restA.size(), restB.size()));
            compareInStoredOrder(restA, ca, restB, cb);
            return;
        }

        // The members of each name on the right, in order: head per name, then a chain.
        constexpr uint32_t kNone = UINT32_MAX;
        std::unordered_map<std::string_view, uint32_t> head;
        head.reserve(restB.size());
        std::vector<uint32_t> nextSame(restB.size(), kNone);
        {
            std::unordered_map<std::string_view, uint32_t> tail;
            tail.reserve(restB.size());
            for (uint32_t j = 0; j < restB.size(); ++j) {
                auto [it, inserted] = tail.try_emplace(restB[j].name, j);
                if (inserted)
                    head.emplace(restB[j].name, j);
                else {
                    nextSame[it->second] = j;
                    it->second = j;
                }
            }
        }
        std::vector<bool> paired(restB.size(), false);
        for (const Member<LI>& m : restA) {
            if (m_stop)
                return;
            auto it = head.find(m.name);
            pushName(m.name);
            if (it != head.end() && it->second != kNone) {
                const uint32_t j = it->second;
                it->second = nextSame[j];
                paired[j] = true;
                compareValues(m.item, restB[j].item);
            } else {
                report(DiffKind::Removed, &m.item, nullptr);
            }
            m_path.pop_back();
        }
        for (uint32_t j = 0; j < restB.size() && !m_stop; ++j) {
            if (paired[j])
                continue;
            pushName(restB[j].name);
            report(DiffKind::Added, nullptr, &restB[j].item);
            m_path.pop_back();
        }
    }

    // Members paired in the order they are stored: the same name is compared, other
    // names are one removed and one added. The held ones first, then the cursors.
    template <class CA, class CB>
    void compareInStoredOrder(std::vector<Member<LI>>& restA, CA& ca, std::vector<Member<RI>>& restB, CB& cb)
    {
        std::size_t ia = 0, ib = 0;
        LI x;
        RI y;
        std::string nx, ny;
        auto nextA = [&] {
            nx.clear();
            if (ia < restA.size()) {
                x = restA[ia].item;
                nx = std::move(restA[ia++].name);
                return true;
            }
            const bool has = ca.next(x);
            if (has)
                m_l.memberName(x, nx);
            return has;
        };
        auto nextB = [&] {
            ny.clear();
            if (ib < restB.size()) {
                y = restB[ib].item;
                ny = std::move(restB[ib++].name);
                return true;
            }
            const bool has = cb.next(y);
            if (has)
                m_r.memberName(y, ny);
            return has;
        };
        bool hx = nextA(), hy = nextB();
        while ((hx || hy) && !m_stop) {
            if (hx && hy && nx == ny) {
                pushName(nx);
                compareValues(x, y);
                m_path.pop_back();
            } else {
                if (hx) {
                    pushName(nx);
                    report(DiffKind::Removed, &x, nullptr);
                    m_path.pop_back();
                }
                if (hy && !m_stop) {
                    pushName(ny);
                    report(DiffKind::Added, nullptr, &y);
                    m_path.pop_back();
                }
            }
            hx = hx && nextA();
            hy = hy && nextB();
        }
    }

    // Elements left[from, from + lc) and right[from, from + rc) without partners: compared
    // in pairs, in order; the rest removed or added. The cursors stand at the first of each.
    template <class CA, class CB>
    void compareStretch(CA& ca, uint64_t left, uint64_t lc, CB& cb, uint64_t right, uint64_t rc)
    {
        LI x;
        RI y;
        const uint64_t pairs = std::min(lc, rc);
        for (uint64_t k = 0; k < pairs && !m_stop; ++k) {
            ca.next(x);
            cb.next(y);
            pushIndex(left + k);
            compareValues(x, y);
            m_path.pop_back();
        }
        for (uint64_t k = pairs; k < lc && !m_stop; ++k) {
            ca.next(x);
            pushIndex(left + k);
            report(DiffKind::Removed, &x, nullptr);
            m_path.pop_back();
        }
        for (uint64_t k = pairs; k < rc && !m_stop; ++k) {
            cb.next(y);
            pushIndex(right + k);
            report(DiffKind::Added, nullptr, &y);
            m_path.pop_back();
        }
    }

    // A stretch whose texts differ, aligned again by the elements' values (numbers by value,
    // members in any order, strings decoded): the hashes are taken from copies of the
    // cursors, which then walk the stretch.
    template <class CA, class CB>
    [[gnu::noinline]] void alignStretch(CA& ca, uint64_t left, uint64_t lc, CB& cb, uint64_t right, uint64_t rc, uint64_t size)
    {
        if (lc == 0 || rc == 0 || (lc == 1 && rc == 1)) {
            compareStretch(ca, left, lc, cb, right, rc);
            return;
        }
        std::vector<uint64_t> ha, hb;
        ha.reserve(lc);
        hb.reserve(rc);
        {
            CA copyA = ca;
            CB copyB = cb;
            LI x;
            RI y;
            for (uint64_t k = 0; k < lc && !m_stop && copyA.next(x); ++k)
                ha.push_back(hashOf(m_l, x));
            for (uint64_t k = 0; k < rc && !m_stop && copyB.next(y); ++k)
                hb.push_back(hashOf(m_r, y));
        }
        if (m_stop)
            return;
        const Alignment al = alignSequences(ha, hb, m_o.align);
        std::vector<uint64_t>().swap(ha);
        std::vector<uint64_t>().swap(hb);
        if (!al.aligned)
            note(NoteKind::NotAligned, size);
        LI x;
        RI y;
        for (const AlignedRun& run : al.runs) {
            if (m_stop)
                return;
            if (run.same) {
                for (uint64_t k = 0; k < run.leftCount; ++k) {
                    ca.next(x);
                    cb.next(y);
                }
                continue;
            }
            compareStretch(ca, left + run.left, run.leftCount, cb, right + run.right, run.rightCount);
        }
    }

    // The nesting goes through compareValues and the small frames of compareArrays and
    // compareObjects; what needs room (hashes, alignments, names) lives in frames of its own.
    void compareArrays(const LI& a, const RI& b)
    {
        const uint64_t na = m_l.childCount(a);
        const uint64_t nb = m_r.childCount(b);
        if (na == 0 || nb == 0 || (na == 1 && nb == 1) || na > m_o.maxHashedElements ||
            nb > m_o.maxHashedElements) {
            // Element by element (nothing to align when one side is empty, or both hold one).
            auto ca = m_l.children(a);
            auto cb = m_r.children(b);
            LI x;
            RI y;
            for (uint64_t i = 0; !m_stop; ++i) {
                const bool hx = ca.next(x);
                const bool hy = cb.next(y);
                if (!hx && !hy)
                    break;
                pushIndex(i);
                if (hx && hy)
                    compareValues(x, y);
                else if (hx)
                    report(DiffKind::Removed, &x, nullptr);
                else
                    report(DiffKind::Added, nullptr, &y);
                m_path.pop_back();
            }
            return;
        }
        compareArraysAligned(a, b, na, nb);
    }

    // First by the elements' texts as written, which is quick and pairs what is written
    // alike; the stretches in between are aligned again by value.
    [[gnu::noinline]] void compareArraysAligned(const LI& a, const RI& b, uint64_t na, uint64_t nb)
    {
        auto ca = m_l.children(a);
        auto cb = m_r.children(b);
        std::vector<uint64_t> ha, hb;
        ha.reserve(na);
        hb.reserve(nb);
        {
            LI x;
            RI y;
            while (!m_stop && ca.next(x)) {
                tick(m_l.position(x));
                ha.push_back(hashText(m_l.rawText(x)));
            }
            while (!m_stop && cb.next(y)) {
                tick(0);
                hb.push_back(hashText(m_r.rawText(y)));
            }
        }
        if (m_stop)
            return;
        const Alignment al = alignSequences(ha, hb, m_o.align);
        std::vector<uint64_t>().swap(ha);
        std::vector<uint64_t>().swap(hb);
        ca = m_l.children(a);
        cb = m_r.children(b);
        LI x;
        RI y;
        for (const AlignedRun& run : al.runs) {
            if (m_stop)
                return;
            if (run.same) {
                // Equal stretches are stepped over; a long one by a jump of the cursors.
                if (L::kJumps && run.leftCount > 64)
                    ca = m_l.children(a, run.left + run.leftCount);
                else
                    for (uint64_t k = 0; k < run.leftCount; ++k)
                        ca.next(x);
                if (R::kJumps && run.rightCount > 64)
                    cb = m_r.children(b, run.right + run.rightCount);
                else
                    for (uint64_t k = 0; k < run.rightCount; ++k)
                        cb.next(y);
                continue;
            }
            alignStretch(ca, run.left, run.leftCount, cb, run.right, run.rightCount, std::max(na, nb));
        }
    }

    const L& m_l;
    const R& m_r;
    const CompareOptions& m_o;
    const DifferenceSink<L, R>& m_found;
    Path m_path;
    std::vector<LI> m_containers; // the left containers the walk is in, the root's first
    std::string m_keyA, m_keyB;
    uint64_t m_ticks = 0;
    uint64_t m_position = 0;
    bool m_stop = false;
};

} // namespace

template <class L, class R>
CompareSummary compareDocuments(const L& left, const R& right, const CompareOptions& options,
                                const DifferenceSink<L, R>& found)
{
    Walker<L, R> walker(left, right, options, found);
    runOnLargeStack([&] { walker.run(); });
    return walker.summary;
}

template CompareSummary compareDocuments<EngineSide, EngineSide>(const EngineSide&, const EngineSide&,
                                                                 const CompareOptions&,
                                                                 const DifferenceSink<EngineSide, EngineSide>&);
template CompareSummary compareDocuments<BigSide, BigSide>(const BigSide&, const BigSide&, const CompareOptions&,
                                                           const DifferenceSink<BigSide, BigSide>&);
template CompareSummary compareDocuments<EngineSide, BigSide>(const EngineSide&, const BigSide&,
                                                              const CompareOptions&,
                                                              const DifferenceSink<EngineSide, BigSide>&);
template CompareSummary compareDocuments<BigSide, EngineSide>(const BigSide&, const EngineSide&,
                                                              const CompareOptions&,
                                                              const DifferenceSink<BigSide, EngineSide>&);

} // namespace tess::compare
