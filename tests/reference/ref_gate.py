"""Reference for the transformation gate: the default or the target input, or a blend of the two,
by its activity and the first switch found among its inputs."""
import scene as sc
import shared
import vmath

NODE_TYPE = 'TransformGate'


def make_scene(rng):
    s = sc.Scene(metrics=sc.random_metrics(rng))
    n = rng.randint(2, 4)
    for i in range(n):
        s.add(sc.random_peg(rng, 'P%d' % i, s.frames))
    gate = s.add(sc.Node('TransformGate', 'Gate', {
        'ACTIVE': sc.rand_attr(rng, -120, 120, s.frames),
        'TARGET_GATE': rng.randint(0, n),
        'DEFAULT_GATE': rng.randint(0, n - 1),
    }))
    ports = list(range(n + 1))
    rng.shuffle(ports)
    for i in range(n):
        if rng.random() < 0.85:
            s.link('P%d' % i, gate.name, ports[i])
    if rng.random() < 0.6:
        sw = s.add(sc.random_switch(rng, 'Switch', s.frames))
        sw.attrs['GATENUM'] = rng.randint(0, n)
        s.link('Switch', gate.name, ports[n])
    return s, [gate.name]


def reference(s, ev, frames, name):
    gate = s.node(name)
    out = []
    for i, f in enumerate(frames):
        d = int(gate.num('DEFAULT_GATE', f, 0))
        t = int(gate.num('TARGET_GATE', f, 1))
        r = 1.0
        port = 0
        while True:
            src = s.input(name, port)
            if src is None and all(dst != name or p <= port for _, dst, p, _ in s.links):
                break
            if src is not None and s.node(src).type == 'Switch':
                sw = s.node(src)
                r = min(max(sw.num('ACTIVE', f, 100) / 100, 0.0), 1.0)
                t = int(sw.num('GATENUM', f, 0))
                break
            port += 1
        a = gate.num('ACTIVE', f, 100) / 100
        if a < 0:
            r = 1 - r
        r *= min(max(abs(a), 0.0), 1.0)

        def mat(p):
            return shared.sanitize_scale(ev[s.input(name, p)][i])
        has_d, has_t = s.input(name, d) is not None, s.input(name, t) is not None
        if not has_t:
            m = mat(d) if has_d else vmath.identity()
        elif not has_d or t == d:
            m = mat(t)
        elif r == 1:
            m = mat(t)
        elif r == 0:
            m = mat(d)
        else:
            m = shared.blend_transforms(mat(t), mat(d), r)
        out.append(m if has_d else vmath.identity())
    return out
