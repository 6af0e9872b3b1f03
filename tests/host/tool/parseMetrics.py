"""Parses a Prometheus text exposition file with prometheus_client's parser and prints
it as JSON: {"family": {"type", "help", "samples": [{"labels", "value"}]}}; a value that
is not a number is the text "NaN". Fails (exit 1, the reason on standard error) where
the node exporter's textfile collector would refuse the file: a family given twice, a
sample named otherwise than its gauge family, a series repeated, a timestamp, text that
is not UTF-8.

Run with Debian's python3 (package python3-prometheus-client): parseMetrics.py FILE
"""
import json
import math
import sys

from prometheus_client.parser import text_string_to_metric_families


def main(path):
    with open(path, "rb") as stream:
        text = stream.read().decode("utf-8")  # strict: not UTF-8 is an error
    families = {}
    for family in text_string_to_metric_families(text):
        if family.name in families:
            raise ValueError(f"family {family.name} appears twice")
        samples = []
        seen = set()
        for sample in family.samples:
            if sample.name != family.name:
                raise ValueError(f"sample {sample.name} in family {family.name}")
            if sample.timestamp is not None:
                raise ValueError(f"sample of {family.name} with a timestamp")
            key = tuple(sorted(sample.labels.items()))
            if key in seen:
                raise ValueError(f"series {family.name}{dict(key)} repeated")
            seen.add(key)
            value = "NaN" if math.isnan(sample.value) else sample.value
            samples.append({"labels": sample.labels, "value": value})
        families[family.name] = {
            "type": family.type,
            "help": family.documentation,
            "samples": samples,
        }
    json.dump(families, sys.stdout)


if __name__ == "__main__":
    try:
        main(sys.argv[1])
    except Exception as error:  # the test shows what the parser refused
        print(f"{type(error).__name__}: {error}", file=sys.stderr)
        sys.exit(1)
