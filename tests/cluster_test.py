#!/usr/bin/python3
"""The census as a Slurm job array, on a one-node cluster of the test's own.

usage: cluster_test.py CENSUS_BINARY ARRAY_SCRIPT

Starts munged, slurmctld and slurmd in a scratch directory (own key, socket,
loopback ports, state, spool, slurm.conf through SLURM_CONF; nothing of the
machine's own Slurm read or changed) and stops them at the end. The dry run's
graph counts agree with the census's; 1110 tasks are refused, by the dry run
too; the order-9 census runs, in a DIR with a % in its name, as 74 tasks with
one cancelled while it waits: it leaves no table, the merge job does not run,
--merge names it, --resume of the relative DIR runs it, and the census then
equals the single-process one byte for byte. The same census map/reduce
(3 slices, 2 parts): a cancelled reducer leaves no table and stops the edge
counts after it, a cancelled map task no slice, --resume runs exactly what
is missing, and the census equals the single-process one. Before the cluster
starts: the map/reduce census of order 7 run here (--local) through a killed
geng and a failing reducer; the
dry run's counts against OEIS A000088 and A001349 (orders 1 to 12) and
nauty-geng -u (orders 1 to 7, every edge count), orders beyond 32 and a '\'
in DIR refused, and 660 tables in a deep DIR merged, or their missing tasks
named. Ends "N passed, N failed".
"""
import csv
import ctypes
import io
import os
import pwd
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

results = {"passed": 0, "failed": 0}


def check(condition, what):
    results["passed" if condition else "failed"] += 1
    if not condition:
        print("FAIL:", what)


def die_with_parent():
    """In a daemon about to start: ends it when the test ends, however it ends."""
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def free_ports(count):
    sockets = [socket.socket() for _ in range(count)]
    for s in sockets:
        s.bind(("127.0.0.1", 0))
    return [s.getsockname()[1] for s in sockets]  # closed when collected


class Cluster:
    """munged, slurmctld and slurmd on loopback, all kept in `root`."""

    def __init__(self, root):
        self.root, self.daemons = root, []
        path = lambda name: os.path.join(root, name)
        user, host = pwd.getpwuid(os.getuid()).pw_name, socket.gethostname().split(".")[0]
        for name in ("state", "spool", "munge"):
            os.mkdir(path(name), 0o700)
        self.socket, key = path("munge/socket"), path("munge/key")
        with open(key, "wb") as f:
            f.write(os.urandom(1024))
        os.chmod(key, 0o400)
        controller_port, node_port = free_ports(2)
        settings = dict(
            ClusterName="grafentest", SlurmctldHost="%s(127.0.0.1)" % host,
            SlurmctldPort=controller_port, SlurmdPort=node_port, SlurmUser=user, SlurmdUser=user,
            AuthType="auth/munge", CredType="cred/munge", AuthInfo="socket=" + self.socket,
            StateSaveLocation=path("state"), SlurmdSpoolDir=path("spool"),
            SlurmctldPidFile=path("slurmctld.pid"), SlurmdPidFile=path("slurmd.pid"),
            SlurmctldLogFile=path("slurmctld.log"), SlurmdLogFile=path("slurmd.log"),
            ProctrackType="proctrack/linuxproc", TaskPlugin="task/none",
            JobAcctGatherType="jobacct_gather/none", JobCompType="jobcomp/none",
            AccountingStorageType="accounting_storage/none", MpiDefault="none",
            SelectType="select/cons_tres", SelectTypeParameters="CR_CPU", ReturnToService=2,
            SchedulerType="sched/builtin",
            SchedulerParameters="batch_sched_delay=0,sched_min_interval=0")
        self.conf = path("slurm.conf")
        with open(self.conf, "w") as f:
            f.writelines("%s=%s\n" % setting for setting in settings.items())
            f.write("NodeName=%s NodeAddr=127.0.0.1 CPUs=%d State=UNKNOWN\n"
                    "PartitionName=test Nodes=ALL Default=YES MaxTime=INFINITE State=UP\n"
                    % (host, os.cpu_count() or 1))
        self.env = dict(os.environ, SLURM_CONF=self.conf)
        self.start(["munged", "--foreground", "--force", "--key-file", key, "--socket",
                    self.socket, "--pid-file", path("munge/pid"), "--log-file",
                    path("munge/log"), "--seed-file", path("munge/seed")])
        self.wait_for(lambda: os.path.exists(self.socket), "munged's socket")
        self.start(["slurmctld", "-D", "-i", "-f", self.conf])
        self.start(["slurmd", "-D", "-f", self.conf])
        self.wait_for(lambda: self.slurm(["sinfo", "-h", "-o", "%T"]).stdout.strip()
                      in (b"idle", b"mixed", b"allocated"), "the node to come up")

    def start(self, command):
        log = open(os.path.join(self.root, os.path.basename(command[0]) + ".out"), "wb")
        self.daemons.append(subprocess.Popen(command, env=self.env, stdout=log,
                                             stderr=subprocess.STDOUT,
                                             preexec_fn=die_with_parent))

    def wait_for(self, ready, what, seconds=60):
        deadline = time.monotonic() + seconds
        while not ready():
            if time.monotonic() > deadline:
                for log in ("slurmctld.log", "slurmd.log", "munge/log"):
                    print("--- %s\n%s" % (log, read(os.path.join(self.root, log))[-3000:]))
                raise RuntimeError("timed out waiting for " + what)
            time.sleep(0.2)

    def slurm(self, command, **options):
        return subprocess.run(command, env=self.env, capture_output=True, timeout=120, **options)

    def wait_for_jobs(self, *jobs):
        self.wait_for(lambda: not self.slurm(["squeue", "-h", "-j", ",".join(jobs)]).stdout.strip(),
                      "jobs " + ",".join(jobs), seconds=900)

    def stop(self):
        for daemon in reversed(self.daemons):
            daemon.terminate()
            try:
                daemon.wait(timeout=30)
            except subprocess.TimeoutExpired:
                daemon.kill()


def read(path):
    return open(path, newline="").read() if os.path.exists(path) else "(none)"


def jobs_of(output):
    """The task and merge job ids from the script's line."""
    words = output.decode().split()
    return words[words.index("tasks") + 3].rstrip(";"), words[words.index("merge:") + 2].rstrip(";")


# OEIS A000088 and A001349: the graphs, and the connected graphs, on n = 1..12 nodes.
PUBLISHED = {"": [1, 2, 4, 11, 34, 156, 1044, 12346, 274668, 12005168, 1018997864, 165091172592],
             "c": [1, 1, 2, 6, 21, 112, 853, 11117, 261080, 11716571, 1006700565, 164059830476]}


def counted(command, *arguments):
    """{edges: graphs} of a dry run, or nauty-geng's count: the number after its '>Z'."""
    done = subprocess.run(command + [str(a) for a in arguments], capture_output=True, timeout=120)
    if command[0] == "nauty-geng":
        words = done.stderr.split()
        return int(words[words.index(b">Z") + 1]) if b">Z" in words else 0
    return {int(w[1]): int(w[3]) for w in map(str.split, done.stdout.decode().splitlines()[1:-1])}


def without_cluster(census, array, scratch):
    """The dry run's counts, the refusals and a merge of 660 tables in a deep DIR."""
    for c, published in PUBLISHED.items():
        dry = [array, "--dry-run"] + (["--connected"] if c else [])
        totals = [sum(counted(dry, n).values()) for n in range(1, 13)]
        check(totals == published, "-%s: the totals of orders 1 to 12: %r" % (c, totals))
        for n in range(1, 8):
            ours = counted(dry, n)
            geng = {m: counted(["nauty-geng", "-u" + c], n, "%d:%d" % (m, m))
                    for m in range(n * (n - 1) // 2 + 1)}
            check({m: g for m, g in geng.items() if g or m in ours} == ours,
                  "-%s order %d by edge count: %r, geng %r" % (c, n, ours, geng))
    # The map/reduce plan's graphs and record bytes: those a scatter of order 7 spools.
    plan = subprocess.run([array, "--dry-run", "--slices", "2", "--parts", "3", "7"],
                          capture_output=True, timeout=120).stdout.decode().splitlines()
    rows = [list(map(int, line.split())) for line in plan[1:-1]]
    spool = os.path.join(scratch, "plan-spool")
    subprocess.run([census, "--scatter", "3", "--spool", spool, "-"], check=True, timeout=120,
                   capture_output=True,
                   input=subprocess.run(["nauty-geng", "-q", "7"], capture_output=True).stdout)
    spooled = sum(os.path.getsize(os.path.join(spool, f)) for f in os.listdir(spool)
                  if f.endswith(".g6"))
    check(sum(r[1] for r in rows) == 1044 and sum(r[5] for r in rows) == spooled
          and {(r[2], r[3]) for r in rows} == {(2, 9)}, "the map/reduce plan of order 7: %r, "
          "%d bytes spooled" % (plan[-1], spooled))
    for arguments, message in (
            (["--dry-run", "33"], b"ORDER is a whole number from 1 to 32"),
            (["40", os.path.join(scratch, "forty")], b"ORDER is a whole number from 1 to 32"),
            (["9", os.path.join(scratch, "back\\slash")], b"DIR must not hold a '\\'")):
        done = subprocess.run([array] + arguments, capture_output=True, timeout=60)
        check(done.returncode == 2 and done.stderr.startswith(b"census-array: " + message)
              and not os.path.exists(arguments[-1]), "%s: %r" % (arguments, done.stderr))

    # Order 5 in 60 parts: 660 tables whose paths pass 2 MB together, each
    # the rows of one edge count of a part and, as its totals (of edges m-m),
    # the same.
    runs = os.path.join(os.path.realpath(scratch), *("%02dd" % k + "d" * 200 for k in range(18)))
    os.makedirs(os.path.join(runs, "tables"))
    graphs = subprocess.run(["nauty-geng", "-q", "5"], capture_output=True, check=True).stdout
    census_of = lambda *a: subprocess.run([census] + list(a), input=graphs, check=True,
                                          capture_output=True).stdout.decode()
    parts = [census_of("--part", "%d/60" % k).split("\r\n")[:-1] for k in range(1, 61)]
    plan = ["order 5", "parts 60", "matrix A,L,Q", "connected no", "script " + array]
    for edges, (k, part) in ((e, p) for e in range(11) for p in enumerate(parts, 1)):
        rows = [r.split(",") for r in part[1:] if r.split(",")[2] == str(edges)]
        with open(os.path.join(runs, "tables", "edges-%d-%dof60.csv" % (edges, k)), "w") as f:
            f.write("".join(",".join(r) + "\r\n" for r in [part[0].split(",")] + rows
                            + [r[:2] + ["%d-%d" % (edges, edges)] + r[3:] for r in rows]))
        plan.append("task %d %d %d/60" % (len(plan) - 5, edges, k))
    with open(os.path.join(runs, "plan"), "w") as f:
        f.write("\n".join(plan) + "\n")
    merged = subprocess.run([array, "--merge", runs], env=dict(os.environ, GRAFEN_CENSUS=census),
                            capture_output=True, timeout=120)
    check(merged.returncode == 0 and read(os.path.join(runs, "census.csv")) == census_of(),
          "660 tables in a deep DIR merge into the census: %r" % merged.stderr[-300:])
    for task in (7, 8, 9, 500):
        os.remove(os.path.join(runs, "tables", "edges-%d-%dof60.csv" % (task // 60, task % 60 + 1)))
    merged = subprocess.run([array, "--merge", os.path.basename(runs)], capture_output=True,
                            cwd=os.path.dirname(runs), timeout=120)
    check(merged.returncode == 1 and merged.stderr.startswith(
        b"census-array: the tables of tasks 7-9,500 are missing; run them again with: "
        + array.encode() + b" --resume " + runs.encode() + b" (or sbatch --array=7-9,500"),
          "--merge of a relative DIR names the missing tasks as ranges: %r" % merged.stderr[:300])


def local_map_reduce(census, array, scratch):
    """Order 7 map/reduce here (3 slices, 2 parts): a geng killed in slice 1 of
    10 edges and then an L reducer of part 2/2 failing each leave no output
    (and a rerun map task removes what a killed one left),
    --merge names what is missing, --resume --local runs just that, and the
    census equals the single-process one byte for byte."""
    whole = subprocess.run("nauty-geng -q 7 | %s" % census, shell=True, check=True,
                           capture_output=True).stdout.decode()
    runs, bin_ = os.path.join(scratch, "local7"), os.path.join(scratch, "bin")
    os.mkdir(bin_)
    with open(os.path.join(bin_, "geng"), "w") as f:  # dies half way through one slice
        f.write('#!/bin/sh\ncase "$*" in *" 10:10 1/3") nauty-geng "$@" | head -5; exit 1;; esac\n'
                'exec nauty-geng "$@"\n')
    with open(os.path.join(bin_, "census"), "w") as f:  # the L reducer of 2/2 fails
        f.write('#!/bin/sh\ncase "$*" in *"L --scattered 2/2"*) cat >/dev/null; exit 1;; esac\n'
                'exec %s "$@"\n' % census)
    for name in ("geng", "census"):
        os.chmod(os.path.join(bin_, name), 0o755)
    env = dict(os.environ, GRAFEN_CENSUS=census, NAUTY_GENG=os.path.join(bin_, "geng"))
    run = lambda *a, **e: subprocess.run([array] + list(a), env=dict(env, **e), capture_output=True,
                                         timeout=600)
    spool = lambda e, r: os.path.join(runs, "spool", "edges-%d" % e, "slice-%d" % r)
    failed = run("--local", "--slices", "3", "--parts", "2", "7", runs)
    check(failed.returncode == 1 and b"map task (edges 10, slice 1/3) failed" in failed.stderr
          and os.path.isdir(spool(10, 0)) and os.listdir(os.path.dirname(spool(10, 0))) ==
          ["slice-0"] and len(os.listdir(os.path.join(runs, "tables"))) == 60,
          "a killed geng leaves no slice: %r" % failed.stderr[-300:])
    merged = run("--merge", runs)
    check(merged.returncode == 1 and merged.stderr.startswith(
        b"census-array: tasks missing (edges 10: map slices 1-2 reduce tasks 0-5; edges 11: map "
        b"slices 0-2 reduce tasks 0-5;"), "--merge names the tasks missing: %r" % merged.stderr)
    os.makedirs(os.path.join(os.path.dirname(spool(10, 1)), ".slice-1.4242.pending.7"))  # SIGKILLed
    failed = run("--resume", "--local", runs, NAUTY_GENG="nauty-geng",
                 GRAFEN_CENSUS=os.path.join(bin_, "census"))
    tables = os.listdir(os.path.join(runs, "tables"))
    check(failed.returncode == 1 and len(tables) == 63 and "L-edges-10-2of2.csv" not in tables
          and sorted(os.listdir(os.path.dirname(spool(10, 1)))) == ["slice-%d" % r for r in range(3)]
          and os.path.exists(os.path.join(spool(10, 2), "L-2.g6"))
          and not os.path.exists(os.path.join(spool(10, 2), "L-1.g6")),
          "a failed reducer leaves no table and keeps its records: %r" % failed.stderr[-300:])
    done = run("--resume", "--local", runs, NAUTY_GENG="nauty-geng")
    check(done.returncode == 0 and read(os.path.join(runs, "census.csv")) == whole,
          "the local census equals the single-process one: %r" % done.stderr[-300:])


def mr_jobs(output):
    """{(step, edges): job} and the merge job from the lines of a map/reduce submission."""
    jobs, merge_job = {}, None
    for line in output.decode().splitlines():
        words = line.replace(";", "").split()
        if words[0] == "merge:":
            merge_job = words[2]
        for k, word in enumerate(words):
            if word in ("map", "reduce"):
                jobs[(word, int(words[1].rstrip(":")))] = words[k + 3]
    return jobs, merge_job


def cluster_map_reduce(cluster, array, runs, whole):
    """Order 9 map/reduce on the cluster (3 slices, 2 parts): a reduce task
    cancelled leaves no table and stops the edge counts after it, a map task
    cancelled leaves no slice; --resume runs just what is missing, and the
    census then equals the single-process one byte for byte."""
    def go(arguments, cancel):
        done = cluster.slurm([array] + arguments + ["--", "--hold"])
        jobs, merge_job = mr_jobs(done.stdout)
        check(done.returncode == 0 and merge_job, "submitted: %r" % done)
        cancelled = cluster.slurm(["scancel", cancel(jobs)])
        check(cancelled.returncode == 0, "scancel: %r" % cancelled)
        cluster.slurm(["scontrol", "release", ",".join(list(jobs.values()) + [merge_job])])
        cluster.wait_for_jobs(*jobs.values(), merge_job)
        return jobs, done.stdout
    spool = lambda e, r: os.path.join(runs, "spool", "edges-%d" % e, "slice-%d" % r)
    tables = lambda: os.listdir(os.path.join(runs, "tables"))
    go(["--slices", "3", "--parts", "2", "9", runs], lambda jobs: "%s_3" % jobs[("reduce", 12)])
    check(len(tables()) == 77 and "L-edges-12-2of2.csv" not in tables() and
          os.path.exists(os.path.join(spool(12, 0), "L-2.g6")) and
          not os.path.exists(os.path.join(spool(12, 0), "L-1.g6")) and
          not os.path.exists(spool(13, 0)) and not os.path.exists(os.path.join(runs, "census.csv")),
          "the cancelled reducer left no table, and nothing after it ran: %d" % len(tables()))
    merged = cluster.slurm([array, "--merge", runs])
    check(merged.returncode == 1 and b"tasks missing (edges 12: reduce tasks 3; edges 13: map "
          b"slices 0-2 reduce tasks 0-5;" in merged.stderr, "--merge names them: %r" % merged)
    jobs, said = go(["--resume", runs], lambda jobs: "%s_1" % jobs[("map", 18)])
    check(said.startswith(b"edges 12: reduce 3 job ") and b"\nedges 13: map 0-2 job " in said,
          "--resume submits the one reducer, then the rest: %r" % said[:200])
    check(sorted(os.listdir(os.path.dirname(spool(18, 1)))) == ["slice-0", "slice-2"] and
          not os.path.exists(spool(19, 0)), "the cancelled map task left no slice")
    resumed = cluster.slurm([array, "--resume", runs])
    cluster.wait_for_jobs(*mr_jobs(resumed.stdout)[0].values(), mr_jobs(resumed.stdout)[1])
    check(resumed.stdout.startswith(b"edges 18: map 1 job ") and
          read(os.path.join(runs, "census.csv")) == whole.decode(),
          "the map/reduce census equals the single-process one; the merge job's log: %s"
          % read(os.path.join(runs, "logs", "merge.out")))


def main():
    # A timeout's SIGTERM still stops the cluster and removes the scratch.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("cluster_test: terminated"))
    census, array = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    scratch = tempfile.mkdtemp(prefix="grafen-cluster-")
    cluster = None
    try:
        without_cluster(census, array, scratch)
        local_map_reduce(census, array, scratch)
        cluster = Cluster(scratch)
        cluster.env["GRAFEN_CENSUS"] = census
        whole = subprocess.run("nauty-geng -q 9 | %s" % census, shell=True, check=True,
                               capture_output=True, timeout=600).stdout

        plan = cluster.slurm([array, "--dry-run", "--parts", "2", "9"])
        counts = {(w[1], w[2]): w[3] for w in map(str.split, plan.stdout.decode().splitlines()[1:-1])}
        check(plan.returncode == 0 and len(counts) == 74 and
              all(counts[(r["edges"], k)] == r["graphs"] for k in ("1/2", "2/2")
                  for r in csv.DictReader(io.StringIO(whole.decode()))
                  if r["matrix"] == "A" and r["edges"] != "all"),
              "the dry run lists 74 tasks with each edge count's graphs: %r" % plan)

        # A % in DIR is no pattern of sbatch's: the logs land in DIR itself.
        runs = os.path.join(scratch, "census%a9")
        for dry in ([], ["--dry-run"]):
            refused = cluster.slurm([array] + dry + ["--parts", "30", "9", runs])
            check(refused.returncode == 1 and b"MaxArraySize of 1001" in refused.stderr and
                  not os.path.exists(os.path.join(runs, "plan")),
                  "%s1110 tasks are refused before anything is submitted: %r" % (dry, refused))
        submitted = cluster.slurm([array, "--parts", "2", "9", runs, "--", "--hold"])
        check(submitted.returncode == 0, "submitted: %r" % submitted)
        tasks, merge_job = jobs_of(submitted.stdout)
        cancelled = cluster.slurm(["scancel", "%s_40" % tasks])
        check(cancelled.returncode == 0, "scancel: %r" % cancelled)
        cluster.slurm(["scontrol", "release", tasks])
        cluster.wait_for_jobs(tasks, merge_job)
        tables = os.listdir(os.path.join(runs, "tables"))
        check(len(tables) == 73 and "edges-20-1of2.csv" not in tables,
              "the cancelled task left no table: %d tables" % len(tables))
        logs = os.listdir(os.path.join(runs, "logs"))
        check(len(logs) == 73 and "task-0.out" in logs, "the tasks' logs in DIR: %s" % logs[:3])
        check(not os.path.exists(os.path.join(runs, "census.csv")),
              "the merge job did not run without the cancelled task")
        merged = cluster.slurm([array, "--merge", runs])
        check(merged.returncode == 1 and b"tables of tasks 40 are missing" in merged.stderr,
              "--merge names the missing task: %r" % merged)

        resumed = cluster.slurm([array, "--resume", os.path.basename(runs)], cwd=scratch)
        check(resumed.returncode == 0 and resumed.stdout.startswith(b"tasks 40:"),
              "--resume submits the one task: %r" % resumed)
        cluster.wait_for_jobs(*jobs_of(resumed.stdout))
        check(read(os.path.join(runs, "census.csv")) == whole.decode(),
              "the merged census equals the single-process one; the merge job's log: %s"
              % read(os.path.join(runs, "logs", "merge.out")))
        cluster_map_reduce(cluster, array, os.path.join(scratch, "mapreduce9"), whole)
    finally:
        if cluster:
            cluster.slurm(["scancel", "--user", pwd.getpwuid(os.getuid()).pw_name])
            cluster.stop()
        shutil.rmtree(scratch, ignore_errors=True)
    print("%d passed, %d failed" % (results["passed"], results["failed"]))
    return 1 if results["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
