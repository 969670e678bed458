#include "levelfiles.h"

#include <stdexcept>

namespace mediacheck {
namespace {

class TokenStream {
public:
    TokenStream(const fs::path& root, const std::string& name) : m_name(name) {
        auto path = Resolve(root, name);
        if (!path) throw std::runtime_error("missing " + name);
        m_tokens = Tokens(*path);
    }
    std::string Word() {
        if (m_i >= m_tokens.size()) throw std::runtime_error(m_name + " ends early");
        return m_tokens[m_i++];
    }
    int Int() {
        std::string s = Word();
        size_t used = 0;
        int v = std::stoi(s, &used);
        if (used != s.size()) throw std::runtime_error(m_name + ": not an integer: " + s);
        return v;
    }
    float Float() {
        std::string s = Word();
        size_t used = 0;
        float v = std::stof(s, &used);
        if (used != s.size()) throw std::runtime_error(m_name + ": not a number: " + s);
        return v;
    }
    bool AtEnd() const { return m_i == m_tokens.size(); }

private:
    std::string m_name;
    std::vector<std::string> m_tokens;
    size_t m_i = 0;
};

Placed ReadPlaced(TokenStream& t) {
    Placed p;
    p.mesh = t.Word();
    p.texture = t.Word();
    t.Float();  // scale
    p.x = t.Float();
    p.y = t.Float();
    p.z = t.Float();
    return p;
}

}  // namespace

Level ReadLevel(const fs::path& root, const std::string& folder) {
    Level l;
    l.folder = folder;
    {
        TokenStream t(root, folder + "nivel.plt");
        l.next = t.Word() + "\\";
        l.intro = folder + t.Word();
        l.drown = folder + t.Word();
        l.caught = folder + t.Word();
        for (int& c : l.water) c = t.Int();
        for (int k = 0; k < 6; ++k) t.Float();
        l.fogStart = t.Float();
        l.fogEnd = t.Float();
        l.maxAir = t.Float();
        l.ballast = t.Float();
        l.currentX = t.Float();
        l.currentZ = t.Float();
        l.goalType = t.Int();
        if (l.goalType == 0 || l.goalType == 1) l.goalValue = t.Int();
        if (!t.AtEnd()) throw std::runtime_error("nivel.plt: trailing tokens");
    }
    {
        TokenStream t(root, folder + "ladrillos.plt");
        int n = t.Int();
        for (int i = 0; i < n; ++i) l.rocks.push_back(ReadPlaced(t));
        l.spear = ReadPlaced(t);
        l.diver = ReadPlaced(t);
        if (!t.AtEnd()) throw std::runtime_error("ladrillos.plt: trailing tokens");
    }
    {
        TokenStream t(root, folder + "peces.plt");
        int n = t.Int();
        for (int i = 0; i < n; ++i) {
            FishRecord f;
            for (auto& m : f.meshes) m = t.Word();
            f.texture = t.Word();
            f.scale = t.Float();
            f.waypoint = t.Int();
            f.range = t.Float();
            f.trait1 = t.Float();
            f.trait2 = t.Float();
            l.fish.push_back(f);
        }
        int m = t.Int();
        for (int i = 0; i < m; ++i) {
            WaypointRow w;
            w.pos.x = t.Float();
            w.pos.y = t.Float();
            w.pos.z = t.Float();
            int count = t.Int();
            if (count < 0 || count > 20) throw std::runtime_error("peces.plt: neighbour count out of range");
            for (int k = 0; k < count; ++k) w.next.push_back(t.Int());
            l.waypoints.push_back(w);
        }
        if (!t.AtEnd()) throw std::runtime_error("peces.plt: trailing tokens");
    }
    {
        TokenStream t(root, folder + "ladrillosmv.plt");
        int n = t.Int();
        for (int i = 0; i < n; ++i) {
            MovingRecord r;
            for (auto& m : r.meshes) m = t.Word();
            r.texture = t.Word();
            t.Float();  // scale
            r.frequency = t.Float();
            r.x = t.Float();
            r.y = t.Float();
            r.z = t.Float();
            l.moving.push_back(r);
        }
        if (!t.AtEnd()) throw std::runtime_error("ladrillosmv.plt: trailing tokens");
    }
    {
        TokenStream t(root, folder + "guibarca.plt");
        for (auto& pair : l.overlay) {
            pair[0] = t.Word();
            pair[1] = t.Word();
        }
        int p = t.Int();
        for (int i = 0; i < p; ++i) {
            Vec3 v;
            v.x = t.Float();
            v.y = t.Float();
            v.z = t.Float();
            l.mapPoints.push_back(v);
        }
        if (!t.AtEnd()) throw std::runtime_error("guibarca.plt: trailing tokens");
    }
    {
        TokenStream t(root, folder + "mar.plt");
        for (int k = 0; k < 25; ++k) l.sea.push_back(t.Float());
        l.seaSide = t.Int();
        if (!t.AtEnd()) throw std::runtime_error("mar.plt: trailing tokens");
    }
    return l;
}

std::vector<Level> ReadAllLevels(const fs::path& root) {
    std::vector<Level> levels;
    std::string folder = "nivel1\\";
    do {
        if (levels.size() > 10) throw std::runtime_error("the level chain does not come back to nivel1");
        levels.push_back(ReadLevel(root, folder));
        folder = levels.back().next;
    } while (folder != "nivel1\\");
    return levels;
}

}  // namespace mediacheck
