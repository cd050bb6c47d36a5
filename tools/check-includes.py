#!/usr/bin/env python3
"""Checks that includes run one way: core, platform, deep, files, dive, render_cli (and the
window program on core and platform alone), with no loop among the project's headers.
Prints each include that goes up or closes a loop; exits 1 when there is one."""
import os
import re
import sys

RANKS = {"core": 0, "platform": 1, "deep": 2, "files": 3, "dive": 4, "render_cli": 5}
# What each folder may include besides its own files.
ALLOWED = {folder: {f for f, r in RANKS.items() if r < rank} for folder, rank in RANKS.items()}
ALLOWED["core"] = set()
ALLOWED["win"] = {"core", "platform", "res"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def sources(root):
    for folder in ALLOWED:
        for base, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    yield os.path.relpath(os.path.join(base, name), root)


def resolved(root, path, target):
    """The include as a path from the root: beside the file where it is there, else from the root."""
    beside = os.path.normpath(os.path.join(os.path.dirname(path), target))
    return beside if os.path.exists(os.path.join(root, beside)) else os.path.normpath(target)


def main(root):
    graph, problems = {}, []
    for path in sources(root):
        folder = path.split(os.sep)[0]
        with open(os.path.join(root, path), encoding="utf-8") as f:
            targets = INCLUDE.findall(f.read())
        graph[path] = [resolved(root, path, t) for t in targets]
        for target in graph[path]:
            other = target.split(os.sep)[0]
            if other != folder and other not in ALLOWED[folder]:
                problems.append(f"{path}: includes {target}, a folder above its own")
    # Loops among the headers: a depth-first walk that meets a header on its own path.
    state = {}

    def visit(node, trail):
        state[node] = "open"
        for target in graph.get(node, []):
            if state.get(target) == "open":
                problems.append("include loop: " + " -> ".join(trail[trail.index(target):] + [target]))
            elif target in graph and target not in state:
                visit(target, trail + [target])
        state[node] = "done"

    for node in sorted(graph):
        if node not in state:
            visit(node, [node])
    for problem in problems:
        print(problem)
    print(f"includes: {len(graph)} files, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")))
